// Trace and error lines on standard error, and allocation that never fails back to its caller.
#include "support/diagnostics.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "launcher/wrapper_config.h"

const char* program_name = default_program_name;
int debug_enabled = 0;

namespace {
constexpr int kLineMemoryExhausted = 335;
}  // namespace

void* alloc_or_die(std::size_t size) {
  void* block = std::malloc(size);
  if (block == nullptr) fatal_error(source_label, kLineMemoryExhausted, "memory exhausted");
  return block;
}

char* copy_string(const char* text) {
  if (text == nullptr) return nullptr;
  std::size_t size = std::strlen(text) + 1;
  char* copy = static_cast<char*>(alloc_or_die(size));
  std::memcpy(copy, text, size);
  return copy;
}

void debug_print(const char* label, int line, const char* format, ...) {
  if (!debug_enabled) return;
  std::fprintf(stderr, "%s:%s:%d: ", program_name, label, line);
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
}

void report_error(int status, const char* label, int line, const char* severity,
                  const char* format, va_list arguments) {
  std::fprintf(stderr, "%s:%s:%d: %s: ", program_name, label, line, severity);
  std::vfprintf(stderr, format, arguments);
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
