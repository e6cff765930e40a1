// How a test target meets an interrupt (SIGINT or SIGQUIT; Ctrl+C or Ctrl+Break on Windows).
#pragma once

// "exit=N": end at once with status N; "ignore": go on; "report": print "interrupt default" or
// "interrupt ignored", the disposition of SIGINT that the program started with (host only).
void apply_interrupt_mode(const char* mode);

void sleep_milliseconds(int milliseconds);

int current_process_id();
