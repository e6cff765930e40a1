// The handful of C runtime calls the launcher makes, behind one interface for Windows and POSIX.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

// Starts the program at `path` with the null-terminated `argv` and waits for it: true with its
// exit status in *status (all 32 bits of a Windows exit code, 0xFFFFFFFF as -1), false with errno
// set when it cannot be started. The strings of argv are joined with single blanks into the
// program's command line, as the Windows runtime does; nothing is quoted here.
bool platform_spawn_wait(const char* path, char* const* argv, int* status);

// Hands "NAME=value" to the environment, which keeps the string itself; 0 when it was accepted.
int platform_put_env(char* assignment);

// Writes the current directory into buffer (size bytes with the terminator); null with errno set
// when it cannot be read or does not fit.
char* platform_current_directory(char* buffer, std::size_t size);

// How many UTF-16 units `text` becomes in Windows' conversion from the process's code page, the
// unit in which Windows counts the characters of a path, a variable or a command line: with the
// UTF-8 code page 1 for each character below U+10000 and 2 for one above; without the terminator.
std::size_t platform_text_units(const char* text);

// Stores the file mode of path in *mode, in the layout that msvcrt and POSIX share (the type in
// 0170000, 0100000 for a regular file; the execute bits 0111); -1 when the status query fails.
int platform_file_mode(const char* path, unsigned* mode);

// The runtime's vfprintf: on Windows msvcrt's own, as every launcher's output is msvcrt's (the
// C++ headers of mingw-w64 would put a printf of their own in its place).
int platform_write_formatted(std::FILE* stream, const char* format, va_list arguments);

// Puts standard output into untranslated mode, so that "\n" leaves as one byte.
void platform_binary_stdout();

// The runtime's assertion-failure report for `expression` in `function` at file:line; does not
// return.
[[noreturn]] void platform_assert_failed(const char* expression, const char* function,
                                         const char* file, int line);
