// The floor of any launcher on the host: start the program that the first argument names, with the rest of
// the arguments, through the platform's spawn call, wait, and return its status. No search, no
// environment, no quoting. Usage: qn_spawn_only PROGRAM [ARGUMENT...]
#include "platform/platform.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  int status = 0;
  return platform_spawn_wait(argv[1], argv + 1, &status) ? status : 127;
}
