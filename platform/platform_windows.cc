// The launcher's calls into msvcrt, each a line or two.
#include "platform/platform.h"

#include <windows.h>

#include <assert.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The start-up code must hand over argv as typed: expanding wildcards is the target's business.
extern "C" {
int _dowildcard = 0;
}

namespace {

// Windows counts text in UTF-16 units, and a narrow string of the process's code page (UTF-8
// under the launcher's manifest) becomes those units on its way to CreateProcess or to the
// environment. Two limits follow, whichever is met first:
// - a command line or a variable's value holds at most 32,767 units with the terminator;
// - a narrow string handed to a Windows "A" call is an ANSI string of at most 65,535 bytes with
//   the terminator. In UTF-8 only a line of mostly three-byte characters (CJK) meets that first.
// Past them Wine does not refuse: _spawnv cuts the line and starts the program with a truncated
// last argument, and _putenv keeps a damaged value (at 32,767 units the value turns to garbage,
// past 65,535 bytes its length wraps). So both are refused here as Windows refuses them.
constexpr std::size_t max_units = 32767;
constexpr std::size_t max_ansi_bytes = 65535;

bool fits_windows_text(std::size_t bytes, std::size_t units) {
  return bytes <= max_ansi_bytes && units <= max_units;
}

// Texts here are far shorter than INT_MAX bytes: the callers check the byte limit first, and a
// current directory is a few hundred bytes.
std::size_t units_of(const char* text, std::size_t length) {
  if (length == 0) return 0;
  return static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length),
                                                      nullptr, 0));
}

// The line _spawnv joins: each string with its blank or, for the last one, the terminator.
bool fits_command_line(char* const* argv) {
  std::size_t bytes = 0, units = 0;
  for (char* const* arg = argv; *arg != nullptr; ++arg) {
    std::size_t length = std::strlen(*arg);
    bytes += length + 1;
    if (bytes > max_ansi_bytes) return false;
    units += units_of(*arg, length) + 1;
  }
  return fits_windows_text(bytes, units);
}

bool fits_variable_value(const char* value) {
  std::size_t length = std::strlen(value);
  return length < max_ansi_bytes && fits_windows_text(length + 1, units_of(value, length) + 1);
}

// Ctrl+C and Ctrl+Break reach every process of the console: they are the target's to handle,
// while the launcher waits on and returns the target's status. A handler of our own, not the
// "ignore" flag of a null handler, which the target would inherit.
BOOL WINAPI leave_interrupt_to_target(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

// The target lives no longer than the launcher: both belong to a job that kills what is in it
// when its last handle closes, and the only handle is the launcher's, which Windows closes however
// the launcher ends (a caller's TerminateProcess included). The launcher joins the job before the
// start, so that the target belongs to it from its first instruction and no moment is left in
// which a killed launcher leaves it behind. Null, and the launch goes on untied, where there is
// no such job: a Windows before 8 inside a caller's job, or a caller's job that forbids it.
HANDLE join_kill_on_close_job() {
  HANDLE job = CreateJobObjectA(/* lpJobAttributes */ nullptr, /* lpName */ nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
      !AssignProcessToJobObject(job, GetCurrentProcess())) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

// Once the target has started, what it starts leaves the job silently: a server or daemon that
// the target leaves running outlives the launcher, as it would the target started directly.
void tie_only_the_target(HANDLE job, HANDLE target) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  // A caller's job that lets its processes' children leave silently took the target out of
  // ours at its start: it is put in now.
  BOOL in_job = FALSE;
  if (IsProcessInJob(target, job, &in_job) && !in_job) AssignProcessToJobObject(job, target);
}

}  // namespace

bool platform_spawn_wait(const char* path, char* const* argv, int* status) {
  if (!fits_command_line(argv)) {
    errno = E2BIG;
    return false;
  }
  SetConsoleCtrlHandler(leave_interrupt_to_target, /* Add */ TRUE);
  HANDLE job = join_kill_on_close_job();
  // _P_WAIT returns -1 both for a failed start and for an exit code of 0xFFFFFFFF (an exit(-1)),
  // and errno does not tell them apart: msvcrt's search for the file sets it before a start that
  // succeeds. Started without waiting, the start has a result of its own.
  intptr_t process = _spawnv(_P_NOWAIT, path, argv);
  if (process == -1) return false;
  if (job != nullptr) tie_only_the_target(job, reinterpret_cast<HANDLE>(process));
  // The job's handle stays open until the launcher ends.
  return _cwait(status, process, _WAIT_CHILD) != -1;
}

int platform_put_env(char* assignment) {
  const char* equals = std::strchr(assignment, '=');
  if (equals != nullptr && !fits_variable_value(equals + 1)) {
    errno = EINVAL;
    return -1;
  }
  return _putenv(assignment);
}

char* platform_current_directory(char* buffer, std::size_t size) {
  // msvcrt's _getcwd reads into a buffer of its own of 260 bytes, which a directory of 260
  // characters fills only in a single-byte code page: in UTF-8 one of 87 CJK characters no
  // longer fits. The narrow call of Windows itself takes the caller's buffer.
  DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
  if (length == 0) {
    errno = ENOENT;
    return nullptr;
  }
  if (length >= size) {
    errno = ERANGE;
    return nullptr;
  }
  return buffer;
}

std::size_t platform_text_units(const char* text) { return units_of(text, std::strlen(text)); }

int platform_file_mode(const char* path, unsigned* mode) {
  struct _stat64 status;
  if (_stat64(path, &status) < 0) return -1;
  *mode = status.st_mode;
  return 0;
}

int platform_write_formatted(std::FILE* stream, const char* format, va_list arguments) {
  return __ms_vfprintf(stream, format, arguments);
}

void platform_binary_stdout() { _setmode(1, _O_BINARY); }

void platform_assert_failed(const char* expression, const char* /* function */, const char* file,
                            int line) {
  _assert(expression, file, static_cast<unsigned>(line));
  std::abort();  // not reached: _assert aborts
}
