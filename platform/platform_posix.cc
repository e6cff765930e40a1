// POSIX emulation of the launcher's msvcrt calls, for the host build and its tests.
#include "platform/platform.h"

#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/command_line.h"

extern char** environ;

// glibc's assertion report, declared here because <assert.h> hides it when NDEBUG is set.
extern "C" [[noreturn]] void __assert_fail(const char* expression, const char* file,
                                           unsigned line, const char* function) noexcept;

bool platform_spawn_wait(const char* path, char* const* argv, int* status) {
  // On Windows the target gets one command line, the strings joined with single blanks, which
  // its runtime splits again; the target here gets what that splitting gives.
  char* line = join_command_line(argv);
  char** split = line != nullptr ? split_command_line(line) : nullptr;
  std::free(line);
  if (split == nullptr) {
    errno = ENOMEM;
    return false;
  }
  // As system() does, the launcher ignores SIGINT and SIGQUIT while the target runs: a signal
  // to the terminal's process group is the target's to handle, and the launcher goes on
  // waiting and returns the target's status. The target gets them as the launcher got them.
  struct sigaction ignore = {}, old_interrupt, old_quit;
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGINT, &ignore, &old_interrupt);
  sigaction(SIGQUIT, &ignore, &old_quit);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  if (old_interrupt.sa_handler != SIG_IGN) sigaddset(&defaults, SIGINT);
  if (old_quit.sa_handler != SIG_IGN) sigaddset(&defaults, SIGQUIT);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  pid_t child;
  int error = posix_spawn(&child, path, nullptr, &attributes, split, environ);
  posix_spawnattr_destroy(&attributes);
  std::free(split);
  int wait_status = 0;
  pid_t waited = 0;
  if (error == 0) {
    do {
      waited = waitpid(child, &wait_status, 0);
    } while (waited < 0 && errno == EINTR);
  }
  sigaction(SIGINT, &old_interrupt, nullptr);
  sigaction(SIGQUIT, &old_quit, nullptr);
  if (error != 0) {
    // glibc reports a failed exec here, so a missing or non-executable target fails to start
    // as on Windows.
    errno = error;
    return false;
  }
  if (waited < 0) return false;
  // A shell reports a program ended by a signal as 128 plus the signal number.
  *status = WIFSIGNALED(wait_status) ? 128 + WTERMSIG(wait_status) : WEXITSTATUS(wait_status);
  return true;
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

std::size_t platform_text_units(const char* text) {
  // The host's names are UTF-8, as a launcher's strings are under its manifest on Windows, and
  // this counts as Windows converts UTF-8: a character below U+10000 is one unit, one above two,
  // and each maximal ill-formed part of a sequence one replacement character.
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  std::size_t units = 0;
  while (*p != 0) {
    unsigned char lead = *p++;
    ++units;
    if (lead < 0xC2 || lead > 0xF4) continue;  // ASCII, or a byte that starts nothing
    int more = lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    // The second byte's range excludes overlong forms, surrogates and code points past U+10FFFF.
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    int taken = 0;
    for (; taken < more; ++taken, ++p) {
      if (*p < (taken == 0 ? low : 0x80) || *p > (taken == 0 ? high : 0xBF)) break;
    }
    if (taken == 3) ++units;  // a whole four-byte sequence: a surrogate pair
  }
  return units;
}

int platform_file_mode(const char* path, unsigned* mode) {
  struct stat status;
  if (stat(path, &status) < 0) return -1;
  *mode = status.st_mode;
  return 0;
}

int platform_write_formatted(std::FILE* stream, const char* format, va_list arguments) {
  return std::vfprintf(stream, format, arguments);
}

void platform_binary_stdout() {}

void platform_assert_failed(const char* expression, const char* function, const char* file,
                            int line) {
  __assert_fail(expression, file, static_cast<unsigned>(line), function);
}
