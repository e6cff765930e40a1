// POSIX emulation of the launcher's msvcrt calls, for the host build and its tests.
#include "platform/platform.h"

#include <errno.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/command_line.h"

extern char** environ;

// glibc's assertion report, declared here because <assert.h> hides it when NDEBUG is set.
extern "C" [[noreturn]] void __assert_fail(const char* expression, const char* file,
                                           unsigned line, const char* function) noexcept;

int platform_spawn_wait(const char* path, char* const* argv) {
  // On Windows the target gets one command line, the strings joined with single blanks, which
  // its runtime splits again; the target here gets what that splitting gives.
  char* line = join_command_line(argv);
  char** split = line != nullptr ? split_command_line(line) : nullptr;
  std::free(line);
  if (split == nullptr) {
    errno = ENOMEM;
    return -1;
  }
  pid_t child;
  int error = posix_spawn(&child, path, nullptr, nullptr, split, environ);
  std::free(split);
  if (error != 0) {
    // glibc reports a failed exec here, so a missing or non-executable target is -1 as on Windows.
    errno = error;
    return -1;
  }
  int status;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

int platform_put_env(char* assignment) {
  // msvcrt refuses an assignment without a name; glibc would store it.
  if (assignment[0] == '=' || std::strchr(assignment, '=') == nullptr) {
    errno = EINVAL;
    return -1;
  }
  return putenv(assignment);
}

char* platform_current_directory(char* buffer, std::size_t size) { return getcwd(buffer, size); }

int platform_file_mode(const char* path, unsigned* mode) {
  struct stat status;
  if (stat(path, &status) < 0) return -1;
  *mode = status.st_mode;
  return 0;
}

void platform_binary_stdout() {}

void platform_assert_failed(const char* expression, const char* function, const char* file,
                            int line) {
  __assert_fail(expression, file, static_cast<unsigned>(line), function);
}
