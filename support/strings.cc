// NUL-terminated string helpers: copies, joins and suffixes.
#include "support/strings.h"

#include <cstring>

#include "platform/platform.h"
#include "support/diagnostic_lines.h"
#include "support/diagnostics.h"

char* copy_string(const char* text) {
  if (text == nullptr) return nullptr;
  std::size_t size = std::strlen(text) + 1;
  char* copy = static_cast<char*>(alloc_or_die(size));
  std::memcpy(copy, text, size);
  return copy;
}

char* join_strings(const char* base, const char* addition, join_at where) {
  if (base == nullptr || *base == '\0') return copy_string(addition);
  const char* first = where == join_at::end ? base : addition;
  const char* second = where == join_at::end ? addition : base;
  std::size_t first_length = std::strlen(first);
  std::size_t second_length = std::strlen(second);
  char* joined = static_cast<char*>(alloc_or_die(first_length + second_length + 1));
  std::memcpy(joined, first, first_length);
  std::memcpy(joined + first_length, second, second_length + 1);
  return joined;
}

void strip_suffix(char* text, const char* pattern) {
  if (text == nullptr) {
    platform_assert_failed("str != NULL", __func__, source_label, line_assert_text);
  }
  if (pattern == nullptr) {
    platform_assert_failed("pat != NULL", __func__, source_label, line_assert_pattern);
  }
  if (ends_with(text, pattern)) text[std::strlen(text) - std::strlen(pattern)] = '\0';
}

bool starts_with(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool ends_with(const char* text, const char* suffix) {
  std::size_t text_length = std::strlen(text);
  std::size_t suffix_length = std::strlen(suffix);
  return suffix_length <= text_length &&
         std::memcmp(text + text_length - suffix_length, suffix, suffix_length) == 0;
}
