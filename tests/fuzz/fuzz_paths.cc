// Fuzzes the string routines on arbitrary bytes: the input's first NUL byte separates a path (or
// base) from a pattern (or addition). Each result is checked against what the routine promises.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/paths.h"
#include "support/strings.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t nul = input.find('\0');
  std::string first = input.substr(0, nul);
  std::string second = nul == std::string::npos ? "" : input.substr(nul + 1);
  second = second.substr(0, second.find('\0'));

  // The last component: a tail of the path after its drive prefix, with no separator in it,
  // standing right after a separator, after the drive prefix or at the start.
  const char* component = last_path_component(first.c_str());
  std::size_t at = component - first.c_str();
  bool drive = first.size() >= 2 && std::isalpha(static_cast<unsigned char>(first[0])) && first[1] == ':';
  check(at <= first.size() && (!drive || at >= 2));
  for (const char* p = component; *p != '\0'; ++p) check(!is_separator(*p));
  check(at == 0 || is_separator(first[at - 1]) || (drive && at == 2));

  // strip_suffix cuts exactly one trailing copy of the pattern, or nothing.
  std::string text = first;
  strip_suffix(&text[0], second.c_str());
  std::string stripped = text.c_str();
  bool ends = ends_with(first.c_str(), second.c_str());
  check(ends == (first.size() >= second.size() &&
                 first.compare(first.size() - second.size(), second.size(), second) == 0));
  check(stripped == (ends ? first.substr(0, first.size() - second.size()) : first));

  // join_strings in both orders.
  for (join_at where : {join_at::start, join_at::end}) {
    char* joined = join_strings(first.c_str(), second.c_str(), where);
    std::string want = first.empty()                ? second
                       : where == join_at::end ? first + second
                                                    : second + first;
    check(joined != nullptr && want == joined);
    std::free(joined);
  }
  return 0;
}
