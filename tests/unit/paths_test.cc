// Path routines, the search for the launcher's own executable in a scratch directory, and the
// derivation of the target's paths.
#include "support/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/diagnostics.h"
#include "support/strings.h"
#include "take.h"

namespace {

TEST(LastPathComponent, Cases) {
  struct Case { const char* name; const char* in; const char* want; };
  const Case cases[] = {
      {"drive_and_backslashes", "D:\\dir\\prog.exe", "prog.exe"},
      {"drive_relative", "D:prog.exe", "prog.exe"},
      {"drive_only", "D:", ""},
      {"trailing_slash", "dir/", ""},
      {"mixed_separators", "a/b\\c", "c"},
      {"bare", "prog", "prog"},
      {"digit_is_no_drive", "1:prog", "1:prog"},
      {"root", "/", ""},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const char* result = last_path_component(c.in);
    EXPECT_STREQ(result, c.want);
    EXPECT_EQ(result, c.in + std::strlen(c.in) - std::strlen(c.want));  // a position, no copy
  }
}

TEST(DeriveTargetPaths, Cases) {
  struct Case {
    const char* name;
    const char* launcher;  // the resolved path of the launcher
    const char* target;    // target_program_file
    const char* entry0;
    const char* program;
  };
  const Case cases[] = {
      {"drive_and_backslashes", "D:\\tree\\bin\\fyx.exe", "fyx.exe", "D:/tree/bin/.libs/fyx.exe",
       "D:/tree/bin/.libs/fyx.exe"},
      {"root_and_slashes", "/tree/bin/fyx.exe", "fyx.exe", "/tree/bin/.libs/fyx.exe",
       "/tree/bin/.libs/fyx.exe"},
      {"mixed_separators", "D:/tree\\bin/fyx.exe", "fyx.exe", "D:/tree/bin/.libs/fyx.exe",
       "D:/tree/bin/.libs/fyx.exe"},
      {"drive_relative", "D:fyx.exe", "fyx.exe", "D:.libs/fyx.exe", "D:.libs/fyx.exe"},
      {"copied_under_another_name", "D:\\tree\\tool.exe", "fyx.exe", "D:/tree/.libs/tool.exe",
       "D:/tree/.libs/fyx.exe"},
      {"names_without_suffix", "/tree/tool", "fyx", "/tree/.libs/tool.exe", "/tree/.libs/fyx.exe"},
      {"upper_case_suffix_is_no_suffix", "/tree/TOOL.EXE", "FYX.EXE", "/tree/.libs/TOOL.EXE.exe",
       "/tree/.libs/FYX.EXE.exe"},
      {"target_with_directory_part", "/tree/fyx.exe", "sub\\dir/fyx.exe", "/tree/.libs/fyx.exe",
       "/tree/.libs/fyx.exe"},
      {"dots_stay", "/a/../b/./fyx.exe", "fyx.exe", "/a/../b/./.libs/fyx.exe",
       "/a/../b/./.libs/fyx.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char* entry0 = nullptr;
    char* program = nullptr;
    derive_target_paths(c.launcher, c.target, &entry0, &program);
    EXPECT_EQ(take(entry0), c.entry0);
    EXPECT_EQ(take(program), c.program);
  }
}

TEST(FollowLinks, FreshCopy) {
  const char path[] = "D:/a/b.exe";
  char* resolved = follow_links(path);
  EXPECT_NE(resolved, path);
  EXPECT_EQ(take(resolved), path);
  EXPECT_EQ(follow_links(nullptr), nullptr);
}

// A scratch directory that is also the current directory, with PATH under the test's control.
class SearchTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qn-paths-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    char* cwd = getcwd(nullptr, 0);
    old_cwd_ = cwd;
    std::free(cwd);
    if (const char* path = std::getenv("PATH")) old_path_ = path, had_path_ = true;
    ASSERT_EQ(chdir(root_.c_str()), 0);
    program_name = "t";
  }
  void TearDown() override {
    debug_enabled = false;
    program_name = default_program_name;
    if (had_path_) setenv("PATH", old_path_.c_str(), 1); else unsetenv("PATH");
    ASSERT_EQ(chdir(old_cwd_.c_str()), 0);
    std::filesystem::remove_all(root_);
  }

  // Creates root/relative (and its directories) with the given mode.
  std::string file(const std::string& relative, mode_t mode = 0755) {
    std::string path = root_ + "/" + relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << "#!/bin/sh\n";
    chmod(path.c_str(), mode);
    return path;
  }
  std::string dir(const std::string& relative) {
    std::string path = root_ + "/" + relative;
    mkdir(path.c_str(), 0755);
    return path;
  }

  // The candidates find_executable tried, in order, from its trace.
  std::vector<std::string> candidates_tried(const char* name, std::string* found) {
    debug_enabled = true;
    testing::internal::CaptureStderr();
    *found = take(find_executable(name));
    std::string trace = testing::internal::GetCapturedStderr();
    debug_enabled = false;
    std::vector<std::string> candidates;
    const std::string marker = "(check_executable): ";
    for (std::size_t at = 0; (at = trace.find(marker, at)) != std::string::npos;) {
      at += marker.size();
      std::size_t end = trace.find('\n', at);
      candidates.push_back(trace.substr(at, end - at));
    }
    return candidates;
  }

  std::string root_, old_cwd_, old_path_;
  bool had_path_ = false;
};

TEST_F(SearchTest, CheckExecutable) {
  struct Case { const char* name; std::string path; int want; };
  const Case cases[] = {
      {"executable_file", file("run.exe"), 1},
      {"owner_may_not_execute", file("group.exe", 0610), 1},
      {"plain_file", file("data.txt", 0644), 0},
      {"directory", dir("sub"), 0},
      {"directory_named_like_a_program", dir("sub.exe"), 0},
      {"missing", root_ + "/missing", 0},
      {"empty", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(check_executable(c.path.c_str()), c.want);
  }
  EXPECT_EQ(check_executable(nullptr), 0);
}

TEST_F(SearchTest, CheckExecutableTracesAbsentAndEmpty) {
  debug_enabled = true;
  testing::internal::CaptureStderr();
  check_executable(nullptr);
  check_executable("");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            std::string("t:") + source_label + ":369: (check_executable): (null)\n" + "t:" +
                source_label + ":369: (check_executable): (empty)\n");
}

TEST_F(SearchTest, AbsentOrEmptyNameGivesNothingAfterOneTraceLine) {
  for (const char* name : {static_cast<const char*>(nullptr), ""}) {
    debug_enabled = true;
    testing::internal::CaptureStderr();
    EXPECT_EQ(find_executable(name), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string("t:") + source_label + ":414: (find_executable): " +
                  (name ? "(empty)" : "(null)") + "\n");
  }
}

TEST_F(SearchTest, SearchOrder) {
  const std::string a = dir("a"), b = dir("b");
  struct Case {
    const char* name;
    std::vector<std::string> files;   // created before the search, relative to the root; "d/" a
                                      // directory, ":0644" a mode
    const char* path;                 // PATH, with %A and %B for the two directories; null: unset
    const char* argv0;                // %R for the root
    std::string want;                 // found path, %R for the root; "<null>" for none
    std::vector<std::string> tried;   // every candidate in order
  };
  const Case cases[] = {
      {"absolute_found", {"a/p.exe"}, "%B", "%R/a/p.exe", "%R/a/p.exe", {"%R/a/p.exe"}},
      {"first_path_entry_wins", {"a/p.exe", "b/p.exe"}, "%A;%B", "p.exe", "%A/p.exe", {"%A/p.exe"}},
      {"path_before_current_directory", {"b/p.exe", "p.exe"}, "%A;%B", "p.exe", "%B/p.exe",
       {"%A/p.exe", "%B/p.exe"}},
      {"leading_empty_entry_is_current_directory", {"p.exe", "a/p.exe"}, ";%A", "p.exe", "%R/p.exe",
       {"%R/p.exe"}},
      {"empty_entry_in_the_middle", {"b/p.exe"}, "%A;;%B;", "p.exe", "%B/p.exe",
       {"%A/p.exe", "%R/p.exe", "%B/p.exe"}},
      {"path_unset", {"p.exe"}, nullptr, "p.exe", "%R/p.exe", {"%R/p.exe"}},
      {"path_empty", {"p.exe"}, "", "p.exe", "%R/p.exe", {"%R/p.exe"}},
      {"entries_used_as_written", {}, " %A ;%B/", "p.exe", "<null>",
       {" %A /p.exe", "%B//p.exe", "%R/p.exe"}},
      {"slash_skips_path", {"a/p.exe"}, "%R", "a/p.exe", "%R/a/p.exe", {"%R/a/p.exe"}},
      {"backslash_does_not", {"a/sub\\p.exe"}, "%B;%A", "sub\\p.exe", "%A/sub\\p.exe",
       {"%B/sub\\p.exe", "%A/sub\\p.exe"}},
      {"drive_absolute_found", {"D:/x/p.exe"}, "%A", "D:/x/p.exe", "D:/x/p.exe", {"D:/x/p.exe"}},
      {"drive_absolute_missing", {}, "%A", "D:/x/p.exe", "<null>", {"D:/x/p.exe", "%R/D:/x/p.exe"}},
      {"absolute_missing_goes_on", {}, "%A", "/nowhere/p.exe", "<null>",
       {"/nowhere/p.exe", "%R//nowhere/p.exe"}},
      {"drive_backslashes_through_path", {}, "%A", "D:\\x\\p.exe", "<null>",
       {"D:\\x\\p.exe", "%A/D:\\x\\p.exe", "%R/D:\\x\\p.exe"}},
      {"not_executable_is_skipped", {"a/p.exe:0644", "b/p.exe"}, "%A;%B", "p.exe", "%B/p.exe",
       {"%A/p.exe", "%B/p.exe"}},
      // A name typed without ".exe": the suffixed candidate comes at the same place.
      {"missing_suffix_found_in_first_entry", {"a/p.exe", "b/p"}, "%A;%B", "p", "%A/p.exe",
       {"%A/p", "%A/p.exe"}},
      {"missing_suffix_plain_name_first", {"a/p", "a/p.exe"}, "%A", "p", "%A/p", {"%A/p"}},
      {"missing_suffix_absolute", {"a/p.exe"}, "%B", "%R/a/p", "%R/a/p.exe", {"%R/a/p", "%R/a/p.exe"}},
      {"missing_suffix_current_directory", {"p.exe"}, "%A", "p", "%R/p.exe",
       {"%A/p", "%A/p.exe", "%R/p", "%R/p.exe"}},
      {"upper_case_suffix_gets_one_more_try", {}, "", "p.EXE", "<null>", {"%R/p.EXE", "%R/p.EXE.exe"}},
      // A directory named like the program is passed over, whatever its execute bits.
      {"directory_in_earlier_entry", {"a/p.exe/", "b/p.exe"}, "%A;%B", "p.exe", "%B/p.exe",
       {"%A/p.exe", "%B/p.exe"}},
      {"directory_without_suffix_in_earlier_entry", {"a/p/", "b/p.exe"}, "%A;%B", "p", "%B/p.exe",
       {"%A/p", "%A/p.exe", "%B/p", "%B/p.exe"}},
      {"directory_without_suffix_in_current_directory", {"p/", "p.exe"}, "%A", "p", "%R/p.exe",
       {"%A/p", "%A/p.exe", "%R/p", "%R/p.exe"}},
  };
  auto expand = [&](std::string text) {
    for (auto [key, value] : {std::pair<std::string, std::string>{"%A", a}, {"%B", b}, {"%R", root_}}) {
      for (std::size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, 2, value);
    }
    return text;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& entry : std::filesystem::directory_iterator(root_)) {
      std::filesystem::remove_all(entry.path());
    }
    dir("a");
    dir("b");
    for (const std::string& spec : c.files) {
      std::size_t colon = spec.rfind(":0");
      if (spec.back() == '/') {
        std::filesystem::create_directories(root_ + "/" + spec);
      } else if (colon != std::string::npos) {
        file(spec.substr(0, colon), std::strtoul(spec.c_str() + colon + 1, nullptr, 8));
      } else {
        file(spec);
      }
    }
    if (c.path != nullptr) setenv("PATH", expand(c.path).c_str(), 1); else unsetenv("PATH");
    std::string found;
    std::vector<std::string> tried = candidates_tried(expand(c.argv0).c_str(), &found);
    EXPECT_EQ(found, expand(c.want));
    std::vector<std::string> want_tried;
    for (const std::string& t : c.tried) want_tried.push_back(expand(t));
    EXPECT_EQ(tried, want_tried);
  }
}

TEST_F(SearchTest, CurrentDirectoryTooLongIsFatal) {
  // 260 bytes hold the current directory with its terminator; go deeper than that.
  std::string deep = root_;
  while (deep.size() < 300) {
    deep += "/dddddddddddddddddddddddddddddddddddddddd";
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  }
  ASSERT_EQ(chdir(deep.c_str()), 0);
  const std::string prefix = std::string("^t:") + source_label;
  setenv("PATH", "/nonexistent;;", 1);
  EXPECT_EXIT(find_executable("p.exe"), testing::ExitedWithCode(1),
              prefix + ":468: FATAL: getcwd failed: Numerical result out of range\\.\n$");
  setenv("PATH", "/nonexistent", 1);
  EXPECT_EXIT(find_executable("p.exe"), testing::ExitedWithCode(1),
              prefix + ":494: FATAL: getcwd failed: Numerical result out of range\\.\n$");
  // A name found before the current directory is needed never reads it.
  file("a/p.exe");
  setenv("PATH", (root_ + "/a").c_str(), 1);
  EXPECT_EQ(take(find_executable("p.exe")), root_ + "/a/p.exe");
}

}  // namespace
