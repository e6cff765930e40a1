// Trace and error lines on standard error, and allocation that never fails back to its caller.
#pragma once

#include <cstdarg>
#include <cstddef>

// Every program that links these routines defines these two: a launcher in its configuration,
// the tests with values of their own. The label names the source in every diagnostic line; the
// default name is the launcher's until main takes it from argv[0].
extern const char source_label[];
extern const char default_program_name[];

// The launcher's name as diagnostics print it; main replaces the default once, from argv[0].
extern const char* program_name;
// True once "--qn-debug" was seen; only debug_print reads it.
extern bool debug_enabled;

// A fresh block of `size` bytes; on exhaustion a fatal "memory exhausted" line instead of a result.
void* alloc_or_die(std::size_t size);

// With tracing on, "<program_name>:<label>:<line>: " and the formatted text; nothing otherwise.
void debug_print(const char* label, int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// "<program_name>:<label>:<line>: <severity>: <message>.\n"; then exits with `status` when it is 0
// or more.
void report_error(int status, const char* label, int line, const char* severity,
                  const char* format, va_list arguments) __attribute__((format(printf, 5, 0)));
// report_error with status 1 and severity "FATAL".
[[noreturn]] void fatal_error(const char* label, int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// null -> "(null)"; anything else -> itself.
const char* text_or_null(const char* text);
// "" -> "(empty)"; null -> "(null)"; anything else -> itself.
const char* text_or_empty(const char* text);
