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
  std::size_t size = std::strlen(name) + std::strlen(value) + 2;
  char* assignment = static_cast<char*>(alloc_or_die(size));
  std::snprintf(assignment, size, "%s=%s", name, value);
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
