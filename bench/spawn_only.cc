// The floor of any launcher: start .libs/<target> beside this program, wait, return its status.
// No search, no environment, no quoting; linked like the launcher.
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <string>

extern char** environ;

int main(int, char** argv) {
  std::string self = argv[0];
  std::string target = self.substr(0, self.rfind('/') + 1) + ".libs/" + TARGET_FILE;
  argv[0] = &target[0];
  pid_t child;
  if (posix_spawn(&child, argv[0], nullptr, nullptr, argv, environ) != 0) return 127;
  int status = 0;
  waitpid(child, &status, 0);
  return WEXITSTATUS(status);
}
