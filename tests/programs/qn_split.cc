// Prints how the emulated runtime splits a command line, in qn_test_target's format, so that a
// test can set it beside what the real runtime gave the target for the same line.
// Usage: qn_split HEX-OF-THE-LINE
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hex.h"
#include "platform/command_line.h"
#include "platform/platform.h"
#include "print_arguments.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  platform_binary_stdout();
  std::string line = from_hex(argv[1]);
  char** split = split_command_line(line.c_str());
  int count = 0;
  while (split[count] != nullptr) ++count;
  print_arguments(count, split);
  std::free(split);
  return 0;
}
