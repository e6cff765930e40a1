// Trace and error lines on standard error, and allocation that never fails back to its caller.
#include "support/diagnostics.h"

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "support/diagnostic_lines.h"

namespace {

__attribute__((format(printf, 2, 3))) void write_formatted(std::FILE* stream, const char* format,
                                                            ...) {
  va_list arguments;
  va_start(arguments, format);
  platform_write_formatted(stream, format, arguments);
  va_end(arguments);
}

}  // namespace

const char* program_name = default_program_name;
bool debug_enabled = false;

void* alloc_or_die(std::size_t size) {
  void* block = std::malloc(size);
  if (block == nullptr) fatal_error(source_label, line_memory_exhausted, "memory exhausted");
  return block;
}

void debug_print(const char* label, int line, const char* format, ...) {
  if (!debug_enabled) return;
  write_formatted(stderr, "%s:%s:%d: ", program_name, label, line);
  va_list arguments;
  va_start(arguments, format);
  platform_write_formatted(stderr, format, arguments);
  va_end(arguments);
}

void report_error(int status, const char* label, int line, const char* severity,
                  const char* format, va_list arguments) {
  write_formatted(stderr, "%s:%s:%d: %s: ", program_name, label, line, severity);
  platform_write_formatted(stderr, format, arguments);
  std::fwrite(".\n", 1, 2, stderr);
  if (status >= 0) std::exit(status);
}

void fatal_error(const char* label, int line, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  report_error(1, label, line, "FATAL", format, arguments);
  va_end(arguments);
  std::abort();  // not reached: report_error exits for a status of 0 or more
}

const char* text_or_null(const char* text) { return text != nullptr ? text : "(null)"; }

const char* text_or_empty(const char* text) {
  return text != nullptr && *text == '\0' ? "(empty)" : text_or_null(text);
}
