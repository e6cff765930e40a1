// The launcher's calls into msvcrt, each a line or two.
#include "platform/platform.h"

#include <windows.h>

#include <assert.h>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

// The start-up code must hand over argv as typed: expanding wildcards is the target's business.
extern "C" {
int _dowildcard = 0;
}

namespace {

// CreateProcess takes at most 32,767 characters of command line with the terminator. Past that
// Wine's _spawnv cuts the line and starts the program with a truncated last argument, so a line
// that is too long is refused here, as CreateProcess refuses it, before anything starts.
constexpr std::size_t max_command_line = 32767;

// A variable's value holds at most 32,767 characters with the terminator. Wine's _putenv takes a
// longer one and keeps it cut short, so the target would inherit a damaged PATH; it is refused
// here as Windows refuses it, and the launch goes on as after any refused assignment.
constexpr std::size_t max_variable_value = 32767;

bool fits_command_line(char* const* argv) {
  std::size_t size = 0;  // each string with its blank or, for the last one, the terminator
  for (char* const* arg = argv; *arg != nullptr; ++arg) size += std::strlen(*arg) + 1;
  return size <= max_command_line;
}

// Ctrl+C and Ctrl+Break reach every process of the console: they are the target's to handle,
// while the launcher waits on and returns the target's status. A handler of our own, not the
// "ignore" flag of a null handler, which the target would inherit.
BOOL WINAPI leave_interrupt_to_target(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

}  // namespace

bool platform_spawn_wait(const char* path, char* const* argv, int* status) {
  if (!fits_command_line(argv)) {
    errno = E2BIG;
    return false;
  }
  SetConsoleCtrlHandler(leave_interrupt_to_target, /* Add */ TRUE);
  // _P_WAIT returns -1 both for a failed start and for an exit code of 0xFFFFFFFF (an exit(-1)),
  // and errno does not tell them apart: msvcrt's search for the file sets it before a start that
  // succeeds. Started without waiting, the start has a result of its own.
  intptr_t process = _spawnv(_P_NOWAIT, path, argv);
  if (process == -1) return false;
  return _cwait(status, process, _WAIT_CHILD) != -1;
}

int platform_put_env(char* assignment) {
  const char* equals = std::strchr(assignment, '=');
  if (equals != nullptr && std::strlen(equals + 1) >= max_variable_value) {
    errno = EINVAL;
    return -1;
  }
  return _putenv(assignment);
}

char* platform_current_directory(char* buffer, std::size_t size) {
  return _getcwd(buffer, static_cast<int>(size));
}

int platform_file_mode(const char* path, unsigned* mode) {
  struct _stat64 status;
  if (_stat64(path, &status) < 0) return -1;
  *mode = status.st_mode;
  return 0;
}

void platform_binary_stdout() { _setmode(1, _O_BINARY); }

void platform_assert_failed(const char* expression, const char* /* function */, const char* file,
                            int line) {
  _assert(expression, file, static_cast<unsigned>(line));
  std::abort();  // not reached: _assert aborts
}
