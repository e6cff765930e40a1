// Directory lists in front of a variable, the trimming of trailing ";" and refused assignments.
#include "support/environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/diagnostics.h"

namespace {

constexpr char variable_name[] = "QN_UNIT_LIST";

void set_before(const char* value) {
  if (value != nullptr) setenv(variable_name, value, 1); else unsetenv(variable_name);
}

std::string current() {
  const char* value = std::getenv(variable_name);
  return value != nullptr ? value : "<unset>";
}

TEST(Environment, PrependProgramDirsTrimsEveryTrailingSeparator) {
  struct Case { const char* name; const char* before; const char* list; const char* after; };
  const Case cases[] = {
      {"unset", nullptr, "a;b;", "a;b"},
      {"empty", "", "a;b;", "a;b"},
      {"plain", "p", "a;b;", "a;b;p"},
      {"one_trailing", "p;", "a;b;", "a;b;p"},
      {"several_trailing", "p;;;", "a;b;", "a;b;p"},
      {"only_separators", ";;", "a;b;", "a;b"},
      {"inner_empty_entries_stay", "p;;q", "a;", "a;p;;q"},
      {"leading_empty_entry_stays", ";p", "a;", "a;;p"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set_before(c.before);
    qn_update_exe_path(variable_name, c.list);
    EXPECT_EQ(current(), c.after);
  }
}

TEST(Environment, PrependLibraryDirsKeepsTheJoinAsItIs) {
  struct Case { const char* name; const char* before; const char* after; };
  const Case cases[] = {
      {"unset", nullptr, "a;b;"},
      {"empty", "", "a;b;"},
      {"trailing", "p;;", "a;b;p;;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set_before(c.before);
    qn_update_lib_path(variable_name, "a;b;");
    EXPECT_EQ(current(), c.after);
  }
}

TEST(Environment, AbsentOrEmptyArgumentsChangeNothingButAreTraced) {
  program_name = "t";
  debug_enabled = true;
  set_before("keep");
  testing::internal::CaptureStderr();
  qn_update_exe_path(variable_name, "");
  qn_update_exe_path(variable_name, nullptr);
  qn_update_lib_path("", "a;");
  qn_update_lib_path(nullptr, "a;");
  std::string trace = testing::internal::GetCapturedStderr();
  debug_enabled = false;
  program_name = default_program_name;
  EXPECT_EQ(current(), "keep");
  const std::string prefix = std::string("t:") + source_label;
  EXPECT_EQ(trace,
            prefix + ":687: (qn_update_exe_path) modifying 'QN_UNIT_LIST' by prepending ''\n" +
            prefix + ":687: (qn_update_exe_path) modifying 'QN_UNIT_LIST' by prepending '(null)'\n" +
            prefix + ":708: (qn_update_lib_path) modifying '' by prepending 'a;'\n" +
            prefix + ":708: (qn_update_lib_path) modifying '(null)' by prepending 'a;'\n");
}

TEST(Environment, SetenvOverwritesAndARefusedAssignmentIsDropped) {
  set_before("old");
  qn_setenv(variable_name, "new");
  EXPECT_EQ(current(), "new");
  // The runtime refuses an assignment without a name; the launch goes on as if nothing happened.
  qn_setenv("", "value");
  EXPECT_EQ(std::getenv(""), nullptr);
  EXPECT_EQ(current(), "new");
}

}  // namespace
