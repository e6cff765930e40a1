// The test target as a host process: interrupts through signal handlers.
#include "target_process.h"

#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

int exit_status = 0;

void exit_at_once(int) { _exit(exit_status); }

}  // namespace

void apply_interrupt_mode(const char* mode) {
  struct sigaction action = {};
  if (std::strncmp(mode, "exit=", 5) == 0) {
    exit_status = std::atoi(mode + 5);
    action.sa_handler = exit_at_once;
  } else if (std::strcmp(mode, "ignore") == 0) {
    action.sa_handler = SIG_IGN;
  } else if (std::strcmp(mode, "report") == 0) {
    sigaction(SIGINT, nullptr, &action);
    std::printf("interrupt %s\n", action.sa_handler == SIG_IGN ? "ignored" : "default");
    return;
  } else {
    return;
  }
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGQUIT, &action, nullptr);
}

void sleep_milliseconds(int milliseconds) {
  struct timespec rest = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (nanosleep(&rest, &rest) != 0) {
  }
}

int current_process_id() { return static_cast<int>(getpid()); }

extern char** environ;

bool start_without_waiting(const char* program) {
  char* argv[] = {const_cast<char*>(program), nullptr};
  pid_t child;
  return posix_spawn(&child, program, nullptr, nullptr, argv, environ) == 0;
}
