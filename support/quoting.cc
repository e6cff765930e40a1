// Quoting of the argument vector for a spawn call that joins the strings with single blanks.
#include "support/quoting.h"

#include <cstddef>
#include <cstring>

#include "support/diagnostics.h"
#include "support/strings.h"

namespace {

// A string holding any of these is rewritten.
constexpr bool in_rewrite_trigger_set(unsigned char c) {
  return c == '"' || c == '\\' || c == ' ' || (c >= 0x01 && c <= 0x1F);
}

// A rewritten string holding any of these is enclosed in double quotes: outside quotes the
// runtime splits at blanks and tabs, and other control characters are kept safe the same way.
constexpr bool in_enclose_trigger_set(unsigned char c) {
  return c == ' ' || (c >= 0x01 && c <= 0x1F);
}

constexpr int set_size(bool (*in_set)(unsigned char)) {
  int size = 0;
  for (int c = 0; c < 256; ++c) size += in_set(static_cast<unsigned char>(c)) ? 1 : 0;
  return size;
}
static_assert(set_size(in_rewrite_trigger_set) == 34, "quote, backslash, blank, 0x01-0x1F");
static_assert(set_size(in_enclose_trigger_set) == 32, "blank, 0x01-0x1F");

bool holds_any(const char* text, bool (*in_set)(unsigned char)) {
  for (const char* p = text; *p != '\0'; ++p) {
    if (in_set(static_cast<unsigned char>(*p))) return true;
  }
  return false;
}

// Every double quote gets its run of n backslashes doubled plus one more (2n+1 then stand for n
// and a literal quote); in an enclosed string the final run is doubled too, so that the closing
// quote is not escaped. Other backslashes stand for themselves.
char* rewrite(const char* text) {
  bool enclose = holds_any(text, in_enclose_trigger_set);
  std::size_t length = std::strlen(text) + (enclose ? 2 : 0);
  std::size_t run = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\\') {
      ++run;
      continue;
    }
    if (*p == '"') length += run + 1;
    run = 0;
  }
  if (enclose) length += run;

  char* quoted = static_cast<char*>(alloc_or_die(length + 1));
  char* out = quoted;
  if (enclose) *out++ = '"';
  run = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\\') {
      ++run;
    } else {
      if (*p == '"') {
        std::memset(out, '\\', run + 1);
        out += run + 1;
      }
      run = 0;
    }
    *out++ = *p;
  }
  if (enclose) {
    std::memset(out, '\\', run);
    out += run;
    *out++ = '"';
  }
  *out = '\0';
  return quoted;
}

}  // namespace

char** quote_arguments(char** argv) {
  std::size_t count = 0;
  while (argv[count] != nullptr) ++count;
  char** quoted = static_cast<char**>(alloc_or_die((count + 1) * sizeof(char*)));
  for (std::size_t i = 0; i < count; ++i) {
    if (argv[i][0] == '\0') {
      quoted[i] = copy_string("\"\"");
    } else if (!holds_any(argv[i], in_rewrite_trigger_set)) {
      quoted[i] = argv[i];
    } else {
      quoted[i] = rewrite(argv[i]);
    }
  }
  quoted[count] = nullptr;
  return quoted;
}
