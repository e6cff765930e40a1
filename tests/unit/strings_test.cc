// The string helpers: copies, joins, suffixes and their preconditions.
#include "support/strings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "take.h"

namespace {

TEST(CopyString, FreshCopies) {
  EXPECT_EQ(copy_string(nullptr), nullptr);
  const char* texts[] = {"", "abc", "a b\\c"};
  for (const char* text : texts) {
    char* copy = copy_string(text);
    EXPECT_NE(copy, text);
    EXPECT_STREQ(copy, text);
    std::free(copy);
  }
}

TEST(StripSuffix, Cases) {
  struct Case { const char* name; const char* text; const char* pattern; const char* want; };
  const Case cases[] = {
      {"suffix", "prog.exe", ".exe", "prog"},
      {"case_matters", "prog.EXE", ".exe", "prog.EXE"},
      {"pattern_longer", "exe", ".exe", "exe"},
      {"whole", ".exe", ".exe", ""},
      {"only_once", "x.exe.exe", ".exe", "x.exe"},
      {"empty_pattern", "prog", "", "prog"},
      {"directory_part", "D:/work/tool.exe", "tool.exe", "D:/work/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text = c.text;
    strip_suffix(&text[0], c.pattern);
    EXPECT_STREQ(text.c_str(), c.want);
  }
}

TEST(StripSuffixDeathTest, AssertsItsArguments) {
  char text[] = "x";
  EXPECT_DEATH(strip_suffix(nullptr, ".exe"), "572.*str != NULL");
  EXPECT_DEATH(strip_suffix(text, nullptr), "573.*pat != NULL");
}

TEST(JoinStrings, Cases) {
  struct Case { const char* name; const char* base; const char* addition; join_at where; const char* want; };
  const Case cases[] = {
      {"absent_base", nullptr, "b", join_at::end, "b"},
      {"absent_base_prepend", nullptr, "b", join_at::start, "b"},
      {"empty_base", "", "b", join_at::start, "b"},
      {"append", "a", "b", join_at::end, "ab"},
      {"prepend", "a", "b", join_at::start, "ba"},
      {"prepend_list", "a;", "b", join_at::start, "ba;"},
      {"empty_addition", "a", "", join_at::end, "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(take(join_strings(c.base, c.addition, c.where)), c.want);
  }
  EXPECT_EQ(join_strings(nullptr, nullptr, join_at::end), nullptr);
}

TEST(StartsAndEndsWith, Cases) {
  struct Case { const char* text; const char* part; bool starts; bool ends; };
  const Case cases[] = {
      {"prog.exe", ".exe", false, true},
      {"--qn-debug", "--qn-", true, false},
      {"x", "", true, true},
      {"exe", ".exe", false, false},
      {"PROG.EXE", ".exe", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.part);
    EXPECT_EQ(starts_with(c.text, c.part), c.starts);
    EXPECT_EQ(ends_with(c.text, c.part), c.ends);
  }
}

}  // namespace
