// The environment the target inherits: shell-mode variables and directory lists in front of PATH.
#include "support/environment.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "support/diagnostic_lines.h"
#include "support/diagnostics.h"
#include "support/strings.h"

namespace {

void prepend_to_variable(const char* name, const char* value, bool trim_separators) {
  if (name == nullptr || *name == '\0' || value == nullptr || *value == '\0') return;
  char* joined = join_strings(std::getenv(name), value, join_at::start);
  if (trim_separators) {
    for (std::size_t length = std::strlen(joined); length > 0 && joined[length - 1] == ';';) {
      joined[--length] = '\0';
    }
  }
  qn_setenv(name, joined);
  std::free(joined);
}

}  // namespace

void qn_setenv(const char* name, const char* value) {
  debug_print(source_label, line_setenv, "(qn_setenv) setting '%s' to '%s'\n", text_or_null(name),
              text_or_null(value));
  // "name=value", put together by hand: msvcrt has no snprintf, and mingw's own would bring a
  // whole printf implementation into every launcher.
  std::size_t name_length = std::strlen(name), value_length = std::strlen(value);
  char* assignment = static_cast<char*>(alloc_or_die(name_length + value_length + 2));
  std::memcpy(assignment, name, name_length);
  assignment[name_length] = '=';
  std::memcpy(assignment + name_length + 1, value, value_length + 1);
  // An accepted string belongs to the environment from now on.
  if (platform_put_env(assignment) != 0) std::free(assignment);
}

void qn_update_exe_path(const char* name, const char* value) {
  debug_print(source_label, line_update_exe_path,
              "(qn_update_exe_path) modifying '%s' by prepending '%s'\n", text_or_null(name),
              text_or_null(value));
  prepend_to_variable(name, value, true);
}

void qn_update_lib_path(const char* name, const char* value) {
  debug_print(source_label, line_update_lib_path,
              "(qn_update_lib_path) modifying '%s' by prepending '%s'\n", text_or_null(name),
              text_or_null(value));
  prepend_to_variable(name, value, false);
}
