// The test target as a Windows process: interrupts through a console control handler.
#include "target_process.h"

#include <windows.h>

#include <process.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int exit_status = 0;

BOOL WINAPI exit_at_once(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  ExitProcess(static_cast<UINT>(exit_status));
}

BOOL WINAPI go_on(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT; }

}  // namespace

void apply_interrupt_mode(const char* mode) {
  if (std::strncmp(mode, "exit=", 5) == 0) {
    exit_status = std::atoi(mode + 5);
    SetConsoleCtrlHandler(exit_at_once, TRUE);
  } else if (std::strcmp(mode, "ignore") == 0) {
    SetConsoleCtrlHandler(go_on, TRUE);
  }
}

void sleep_milliseconds(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

int current_process_id() { return static_cast<int>(GetCurrentProcessId()); }

bool start_without_waiting(const char* program) {
  const char* argv[] = {program, nullptr};
  return _spawnv(_P_NOWAIT, program, argv) != -1;
}
