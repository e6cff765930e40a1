// The host's emulation of how Windows counts text: UTF-16 units of UTF-8, with one replacement
// character for each maximal ill-formed part.
#include "platform/platform.h"

#include <gtest/gtest.h>

namespace {

TEST(TextUnits, Cases) {
  struct Case { const char* name; const char* text; std::size_t want; };
  const Case cases[] = {
      {"empty", "", 0},
      {"ascii", "a b/c", 5},
      {"two_bytes", "\xC3\xA9\xD0\x96", 2},
      {"three_bytes", "\xE4\xB8\xAD\xE6\x96\x87", 2},
      {"four_bytes_are_a_surrogate_pair", "\xF0\x9F\x98\x80x", 3},
      {"lone_continuation", "\x80x", 2},
      {"truncated_sequence_is_one", "\xE4\xB8x", 2},
      {"truncated_four_bytes_is_one", "\xF0\x9F\x98", 1},
      {"overlong_is_two", "\xC0\x80", 2},
      {"encoded_surrogate_is_three", "\xED\xA0\x80", 3},
      {"past_u10ffff_is_four", "\xF4\x90\x80\x80", 4},
      {"highest_code_point", "\xF4\x8F\xBF\xBF", 2},
      {"byte_that_starts_nothing", "\xFF\xFE", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(platform_text_units(c.text), c.want);
  }
}

}  // namespace
