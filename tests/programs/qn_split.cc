// Prints how the emulated runtime splits a command line, in qn_test_target's format, so that a
// test can set it beside what the real runtime gave the target for the same line.
// Usage: qn_split HEX-OF-THE-LINE
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/command_line.h"
#include "platform/platform.h"
#include "print_arguments.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  platform_binary_stdout();
  std::string hex = argv[1], line;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    line.push_back(static_cast<char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  char** split = split_command_line(line.c_str());
  int count = 0;
  while (split[count] != nullptr) ++count;
  print_arguments(count, split);
  std::free(split);
  return 0;
}
