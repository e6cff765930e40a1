// The Windows C runtime's command line, emulated for the host build and its tests: the spawn
// call's joining of argv and the target runtime's splitting of the line.
#pragma once

// The strings of argv joined with single blanks, as msvcrt's _spawnv builds a command line; one
// malloc'd block, null when memory is short.
char* join_command_line(char* const* argv);

// The arguments of `line` by msvcrt's rules: blanks and tabs outside a quoted stretch separate
// arguments; an unescaped double quote opens or closes a stretch and is dropped, except that
// inside a stretch two in a row give one literal quote; 2n backslashes before a quote give n and
// 2n+1 give n and a literal quote; other backslashes stand for themselves. `a\"b "c d" ""`
// -> {`a"b`, `c d`, ``}. A null-terminated vector in one malloc'd block (free it once), null when
// memory is short.
char** split_command_line(const char* line);
