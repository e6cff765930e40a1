// Quoting for the spawn call, and the round trip through the runtime's splitting of the line.
#include "support/quoting.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/command_line.h"

namespace {

std::vector<std::string> split(const std::string& line) {
  char** argv = split_command_line(line.c_str());
  std::vector<std::string> out;
  for (char** arg = argv; *arg != nullptr; ++arg) out.push_back(*arg);
  std::free(argv);
  return out;
}

// Frees what quote_arguments made for `argv`: the vector and the strings it does not share.
void free_quoted(char** quoted, char** argv) {
  for (std::size_t i = 0; quoted[i] != nullptr; ++i) {
    if (quoted[i] != argv[i]) std::free(quoted[i]);
  }
  std::free(quoted);
}

// Quotes `args`, joins them as the spawn call does and splits the line as the target would.
std::vector<std::string> round_trip(const std::vector<std::string>& args, std::string* line = nullptr) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  char** quoted = quote_arguments(argv.data());
  char* joined = join_command_line(quoted);
  if (line != nullptr) *line = joined;
  std::vector<std::string> out = split(joined);
  std::free(joined);
  free_quoted(quoted, argv.data());
  return out;
}

TEST(QuoteArguments, WorkedExamples) {
  struct Case { const char* name; const char* in; const char* want; };
  const Case cases[] = {
      {"empty", "", "\"\""},
      {"plain", "abc", "abc"},
      {"blank", "a b", "\"a b\""},
      {"tab", "a\tb", "\"a\tb\""},
      {"quote", "a\"b", "a\\\"b"},
      {"only_quote", "\"", "\\\""},
      {"backslash", "a\\b", "a\\b"},
      {"trailing_backslash_not_enclosed", "a\\", "a\\"},
      {"backslash_before_quote", "a\\\"b", "a\\\\\\\"b"},
      {"two_backslashes_quote_blank", "a\\\\\"b c", "\"a\\\\\\\\\\\"b c\""},
      {"enclosed_trailing_backslash", "a b\\", "\"a b\\\\\""},
      {"enclosed_two_trailing_backslashes", "a b\\\\", "\"a b\\\\\\\\\""},
      {"blank_then_quote", "x \"", "\"x \\\"\""},
      {"line_feed", "a\nb", "\"a\nb\""},
      {"other_control", "a\x01", "\"a\x01\""},
      {"delete_and_high_bytes_alone", "a\x7f\x80\xff", "a\x7f\x80\xff"},
      {"blank_path", "C:/my dir/.libs/p.exe", "\"C:/my dir/.libs/p.exe\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char* argv[] = {const_cast<char*>(c.in), nullptr};
    char** quoted = quote_arguments(argv);
    EXPECT_STREQ(quoted[0], c.want);
    EXPECT_EQ(quoted[1], nullptr);
    EXPECT_EQ(split(quoted[0]), std::vector<std::string>{c.in});
    free_quoted(quoted, argv);
  }
}

TEST(QuoteArguments, SharesWhatNeedsNoRewritingAndCopiesTheRest) {
  char plain[] = "abc", backslash[] = "a\\b", empty[] = "", blank[] = "a b";
  char* argv[] = {plain, backslash, empty, blank, nullptr};
  char** quoted = quote_arguments(argv);
  EXPECT_NE(quoted, argv);
  EXPECT_EQ(quoted[0], plain);
  EXPECT_NE(quoted[1], backslash);  // a new string, equal to the input
  EXPECT_STREQ(quoted[1], backslash);
  EXPECT_NE(quoted[2], empty);
  EXPECT_NE(quoted[3], blank);
  EXPECT_EQ(quoted[4], nullptr);
  EXPECT_STREQ(argv[3], "a b");  // the input is left as it was
  free_quoted(quoted, argv);

  char* only[] = {plain, nullptr};
  char** two_slots = quote_arguments(only);
  EXPECT_EQ(two_slots[0], plain);
  EXPECT_EQ(two_slots[1], nullptr);
  free_quoted(two_slots, only);
}

TEST(SplitCommandLine, RuntimeRules) {
  struct Case { const char* name; const char* line; std::vector<std::string> want; };
  const Case cases[] = {
      {"empty_line", "", {}},
      {"blanks_only", " \t ", {}},
      {"separators_collapse", "  a \t b  ", {"a", "b"}},
      {"quoted_blank", "\"a b\" c", {"a b", "c"}},
      {"quote_inside_word", "a\"b c\"d", {"ab cd"}},
      {"empty_quoted", "a \"\" \"\"", {"a", "", ""}},
      {"unclosed_quote_runs_to_the_end", "\"a b", {"a b"}},
      {"escaped_quote", "a\\\"b", {"a\"b"}},
      {"even_backslashes_then_quote", "a\\\\\"b c\"", {"a\\b c"}},
      {"odd_backslashes_then_quote", "a\\\\\\\"b", {"a\\\"b"}},
      {"backslashes_alone", "a\\\\b\\ c", {"a\\\\b\\", "c"}},
      {"doubled_quote_inside_stretch", "\"a\"\"b\" c", {"a\"b", "c"}},
      {"doubled_quote_outside_stretch", "a\"\" b", {"a", "b"}},
      {"four_quotes", "\"\"\"\"", {"\""}},
      {"line_feed_is_no_separator", "a\nb c", {"a\nb", "c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(split(c.line), c.want);
  }
}

TEST(SplitCommandLine, JoinUsesSingleBlanks) {
  char a[] = "a", b[] = "", c[] = "c d";
  char* argv[] = {a, b, c, nullptr};
  char* line = join_command_line(argv);
  EXPECT_STREQ(line, "a  c d");
  std::free(line);
}

// Random vectors of strings of bytes 0x01 to 0xFF, with the bytes that matter weighted up:
// quoting, joining and splitting must give every vector back.
TEST(QuoteArguments, RoundTripProperty) {
  constexpr int kVectors = 100000;
  std::mt19937 random(20261210);
  const std::string special = " \t\"\\\\\\\n";
  auto random_string = [&]() {
    std::string text;
    int length = std::uniform_int_distribution<int>(0, 12)(random);
    if (std::uniform_int_distribution<int>(0, 7)(random) == 0) length = 0;
    for (int i = 0; i < length; ++i) {
      int kind = std::uniform_int_distribution<int>(0, 9)(random);
      if (kind < 5) {
        text += special[std::uniform_int_distribution<std::size_t>(0, special.size() - 1)(random)];
      } else if (kind < 7) {
        text.append(std::uniform_int_distribution<int>(1, 5)(random), '\\');  // a run
      } else {
        text += static_cast<char>(std::uniform_int_distribution<int>(1, 255)(random));
      }
    }
    return text;
  };
  for (int n = 0; n < kVectors; ++n) {
    std::vector<std::string> args(std::uniform_int_distribution<int>(1, 6)(random));
    for (std::string& arg : args) arg = random_string();
    std::string line;
    std::vector<std::string> back = round_trip(args, &line);
    ASSERT_EQ(back, args) << "vector " << n << ", line [" << line << "]";
  }
}

}  // namespace
