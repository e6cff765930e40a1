// What the test target does as a process: how it meets an interrupt (SIGINT or SIGQUIT; Ctrl+C or
// Ctrl+Break on Windows), sleeping, its id, and a copy of itself started without waiting.
#pragma once

// "exit=N": end at once with status N; "ignore": go on; "report": print "interrupt default" or
// "interrupt ignored", the disposition of SIGINT that the program started with (host only).
void apply_interrupt_mode(const char* mode);

void sleep_milliseconds(int milliseconds);

int current_process_id();

// Starts `program` with no arguments but its name, in the environment of this process, and does
// not wait for it; false when it cannot be started.
bool start_without_waiting(const char* program);
