// Trace and error line formats, allocation failure and the absent/empty text helpers.
#include "support/diagnostics.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>


namespace {

class DiagnosticsTest : public testing::Test {
 protected:
  void SetUp() override {
    program_name = "prog.exe";
    debug_enabled = false;
  }
  void TearDown() override {
    program_name = default_program_name;
    debug_enabled = false;
  }
};

TEST_F(DiagnosticsTest, TraceLineOnlyWhenEnabled) {
  testing::internal::CaptureStderr();
  debug_print("label.cc", 12, "(quiet) %s\n", "x");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  debug_enabled = true;
  testing::internal::CaptureStderr();
  debug_print("label.cc", 12, "(main) %s=%d\n", "n", 7);
  debug_print("label.cc", 5, "no newline added");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "prog.exe:label.cc:12: (main) n=7\nprog.exe:label.cc:5: no newline added");
}

__attribute__((format(printf, 1, 2))) void report_negative(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  report_error(-1, "label.cc", 40, "WARNING", format, arguments);
  va_end(arguments);
}

TEST_F(DiagnosticsTest, ReportErrorWithNegativeStatusReturns) {
  testing::internal::CaptureStderr();
  report_negative("value '%s'", "v");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "prog.exe:label.cc:40: WARNING: value 'v'.\n");
}

TEST_F(DiagnosticsTest, FatalErrorWritesOneLineAndExitsWithOne) {
  // Written whether or not tracing is on; the message's own quote is followed by ".\n".
  EXPECT_EXIT(fatal_error("label.cc", 220, "unrecognized %s option: '%s'", "--qn-", "--qn-x"),
              testing::ExitedWithCode(1),
              "^prog\\.exe:label\\.cc:220: FATAL: unrecognized --qn- option: '--qn-x'\\.\n$");
}

TEST_F(DiagnosticsTest, ExhaustedMemoryIsFatalAtLine335) {
  // The line ends the output; a sanitizer may have said something about the request before it.
  const std::string expected =
      std::string("(^|\n)prog\\.exe:") + source_label + ":335: FATAL: memory exhausted\\.\n$";
  EXPECT_EXIT(alloc_or_die(SIZE_MAX), testing::ExitedWithCode(1), expected);
  program_name = default_program_name;
  EXPECT_EXIT(alloc_or_die(SIZE_MAX), testing::ExitedWithCode(1), "(^|\n)quenlo-wrapper:");
}

TEST_F(DiagnosticsTest, AbsentAndEmptyTexts) {
  struct Case {
    const char* in;
    const char* or_null;
    const char* or_empty;
  };
  const Case cases[] = {
      {nullptr, "(null)", "(null)"},
      {"", "", "(empty)"},
      {"x", "x", "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in ? c.in : "null");
    EXPECT_STREQ(text_or_null(c.in), c.or_null);
    EXPECT_STREQ(text_or_empty(c.in), c.or_empty);
  }
  const char* own = "own";
  EXPECT_EQ(text_or_null(own), own);
  EXPECT_EQ(text_or_empty(own), own);
}

}  // namespace
