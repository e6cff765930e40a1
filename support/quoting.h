// Quoting of the argument vector for a spawn call that joins the strings with single blanks.
#pragma once

// A new null-terminated vector, one slot per string of `argv`: "" -> "\"\"", "abc" -> the same
// string, "a b" -> "\"a b\"", "a\"b" -> "a\\\"b", "a b\\" -> "\"a b\\\\\"". Splitting the joined
// strings by the C runtime's rules gives back the strings of argv.
char** quote_arguments(char** argv);
