// The launcher's calls into msvcrt, each a line or two.
#include "platform/platform.h"

#include <assert.h>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>

// The start-up code must hand over argv as typed: expanding wildcards is the target's business.
extern "C" int _dowildcard = 0;

int platform_spawn_wait(const char* path, char* const* argv) {
  // msvcrt returns the exit code as a pointer-sized value; the launcher reports it as 32 bits.
  return static_cast<int>(_spawnv(_P_WAIT, path, argv));
}

int platform_put_env(char* assignment) { return _putenv(assignment); }

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
