// The floor of any launcher: start .libs/<target> beside this program through the platform's
// spawn call, wait, and return its status. No search, no environment, no quoting.
#include <string>

#include "platform/platform.h"

int main(int, char** argv) {
  std::string self = argv[0];
  std::string target = self.substr(0, self.find_last_of("/\\") + 1) + ".libs/" + TARGET_FILE;
  argv[0] = &target[0];
  int status = 0;
  return platform_spawn_wait(argv[0], argv, &status) ? status : 127;
}
