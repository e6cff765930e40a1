// Every launcher's configuration has the shapes the launch relies on; the two deliverables have
// exactly the sizes their build trees were laid out with.
#include "launcher_values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> entries(const std::string& list) {
  std::vector<std::string> out;
  for (std::size_t start = 0, end; (end = list.find(';', start)) != std::string::npos; start = end + 1) {
    out.push_back(list.substr(start, end - start));
  }
  return out;
}

std::string last_component(const std::string& path) { return path.substr(path.rfind('/') + 1); }

bool ends_with(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

TEST(LauncherValues, EveryLauncher) {
  ASSERT_GE(all_launchers_count, 2u);
  for (std::size_t i = 0; i < all_launchers_count; ++i) {
    const LauncherValues& v = all_launchers[i];
    SCOPED_TRACE(v.name);
    EXPECT_STREQ(v.default_program_name, "quenlo-wrapper");
    EXPECT_STREQ(v.wrapper_marker, "%%%MAGIC EXE variable%%%");
    EXPECT_STREQ(v.library_dirs_variable, "PATH");
    EXPECT_STREQ(v.program_dirs_variable, "PATH");
    EXPECT_STREQ(v.option_prefix, "--qn-");
    EXPECT_STREQ(v.dump_script_option, "--qn-dump-script");
    EXPECT_STREQ(v.debug_option, "--qn-debug");
    EXPECT_STREQ(v.version_banner, "quenlo wrapper (ZUT quenlo) 2.4.6\n");
    EXPECT_EQ(std::string(v.target_program_file), std::string(v.name) + ".exe");
    EXPECT_EQ(std::string(v.source_label), std::string("./.libs/qn-") + v.name + ".cc");

    // Directory lists: every entry ends in ";", none is empty, all are drive-less absolute paths.
    const std::string program_dirs = v.program_dirs;
    for (const std::string& list : {std::string(v.library_dirs), program_dirs}) {
      ASSERT_TRUE(ends_with(list, ";"));
      for (const std::string& entry : entries(list)) {
        EXPECT_EQ(entry[0], '/') << entry;
        EXPECT_EQ(entry.find_first_of(":\\ \"'"), std::string::npos) << entry;
      }
    }
    std::vector<std::string> programs = entries(program_dirs);
    for (const std::string& entry : entries(v.library_dirs)) {
      EXPECT_NE(std::find(programs.begin(), programs.end(), entry), programs.end()) << entry;
    }
    std::string notinst = v.notinst_deplibs;
    EXPECT_EQ(notinst[0], ' ');
    EXPECT_EQ(notinst.find("  "), std::string::npos);
  }
}

// What each deliverable's lists hold, kind by kind, and their sizes.
struct Shape {
  const char* name;
  std::size_t library_entries, library_chars, program_entries, program_chars;
  std::size_t libs_dirs_first;   // build-tree ".libs" directories at the front of library_dirs
  std::size_t notinst_entries, notinst_chars;
};
const Shape kShapes[] = {
    {"fyx-probe-plugins-3.0", 17, 846, 51, 2371, 2, 35, 2076},
    {"fyx-rebuild-index", 5, 232, 19, 805, 0, 12, 714},
};

TEST(LauncherValues, DeliverableShapes) {
  for (const Shape& shape : kShapes) {
    SCOPED_TRACE(shape.name);
    const LauncherValues* found = std::find_if(all_launchers, all_launchers + all_launchers_count,
                                               [&](const LauncherValues& v) { return std::strcmp(v.name, shape.name) == 0; });
    ASSERT_NE(found, all_launchers + all_launchers_count);
    std::vector<std::string> library = entries(found->library_dirs);
    std::vector<std::string> program = entries(found->program_dirs);
    EXPECT_EQ(library.size(), shape.library_entries);
    EXPECT_EQ(std::strlen(found->library_dirs), shape.library_chars);
    EXPECT_EQ(program.size(), shape.program_entries);
    EXPECT_EQ(std::strlen(found->program_dirs), shape.program_chars);

    for (std::size_t i = 0; i < library.size(); ++i) {
      EXPECT_EQ(last_component(library[i]), i < shape.libs_dirs_first ? ".libs" : "lib") << library[i];
    }
    // program_dirs: "lib"/"bin" pairs of one prefix, a "lib64" after the first pair, the build
    // tree's ".libs" directories in between, and the pair "/lib", "/bin" among them.
    std::vector<std::string> pairs;
    for (std::size_t i = 0; i < program.size(); ++i) {
      const std::string kind = last_component(program[i]);
      if (kind == ".libs") continue;
      if (i == 2) { EXPECT_EQ(program[i], program[0].substr(0, program[0].size() - 3) + "lib64"); continue; }
      pairs.push_back(program[i]);
    }
    ASSERT_EQ(pairs.size() % 2, 0u);
    for (std::size_t i = 0; i < pairs.size(); i += 2) {
      EXPECT_EQ(last_component(pairs[i]), "lib");
      EXPECT_EQ(pairs[i + 1], pairs[i].substr(0, pairs[i].size() - 3) + "bin");
    }
    EXPECT_NE(std::find(pairs.begin(), pairs.end(), "/lib"), pairs.end());
    std::size_t libs_in_program = std::count_if(program.begin(), program.end(),
                                                [](const std::string& e) { return last_component(e) == ".libs"; });
    EXPECT_EQ(libs_in_program, shape.libs_dirs_first);
    if (shape.libs_dirs_first > 0) {
      EXPECT_NE(last_component(program.front()), ".libs");
      EXPECT_NE(last_component(program.back()), ".libs");
    }
    auto any = [&](const std::vector<std::string>& list, auto test) { return std::any_of(list.begin(), list.end(), test); };
    EXPECT_TRUE(any(program, [](const std::string& e) { return e.rfind("//", 0) == 0; }));
    EXPECT_TRUE(any(program, [](const std::string& e) { return e.find("/../") != std::string::npos; }));

    // Not-installed libraries: each after one blank; absolute, "../" and bare entries; one
    // entry twice in a row.
    const std::string notinst = found->notinst_deplibs;
    EXPECT_EQ(notinst.size(), shape.notinst_chars);
    std::vector<std::string> libs;
    for (std::size_t start = 1, end; start <= notinst.size(); start = end + 1) {
      end = notinst.find(' ', start);
      if (end == std::string::npos) end = notinst.size();
      libs.push_back(notinst.substr(start, end - start));
    }
    EXPECT_EQ(libs.size(), shape.notinst_entries);
    EXPECT_TRUE(any(libs, [](const std::string& e) { return e[0] == '/'; }));
    EXPECT_TRUE(any(libs, [](const std::string& e) { return e.rfind("../", 0) == 0; }));
    EXPECT_TRUE(any(libs, [](const std::string& e) { return e.find('/') == std::string::npos; }));
    EXPECT_NE(std::adjacent_find(libs.begin(), libs.end()), libs.end());
  }
}

}  // namespace
