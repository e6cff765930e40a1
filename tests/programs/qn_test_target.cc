// A target for the end-to-end tests: prints what it received and exits as the test asks.
//
// Output, one item a line: its arguments as print_arguments.h writes them, then for each name
// listed in QN_SHOW (comma-separated) "env NAME TEXT" or "env NAME unset". The exit status is
// QN_EXIT (decimal, up to 32 bits), 0 when it is unset.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "print_arguments.h"

namespace {

void print_environment(const char* names) {
  std::string list = names;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    std::string name = list.substr(start, end - start);
    if (!name.empty()) {
      const char* value = std::getenv(name.c_str());
      std::printf("env %s", name.c_str());
      if (value == nullptr) {
        std::fputs(" unset", stdout);
      } else {
        std::putchar(' ');
        print_escaped(value);
      }
      std::putchar('\n');
    }
    start = end + 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  platform_binary_stdout();
  print_arguments(argc, argv);
  if (const char* names = std::getenv("QN_SHOW")) print_environment(names);
  std::fflush(stdout);
  const char* status = std::getenv("QN_EXIT");
  return status != nullptr ? static_cast<int>(std::strtoul(status, nullptr, 10)) : 0;
}
