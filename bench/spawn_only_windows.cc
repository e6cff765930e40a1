// The floor of any launcher on Windows: start the program that the first argument names, with the
// rest of the arguments, through msvcrt's spawn call, wait, and return its status. No search, no
// environment, no quoting, and no job that ties the program to this one, which the launchers make:
// the benchmark shows what that costs. Usage: qn_spawn_only PROGRAM [ARGUMENT...]
#include <process.h>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  intptr_t process = _spawnv(_P_NOWAIT, argv[1], argv + 1);
  int status = 0;
  return process != -1 && _cwait(&status, process, _WAIT_CHILD) != -1 ? status : 127;
}
