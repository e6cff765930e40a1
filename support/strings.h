// NUL-terminated string helpers: copies, joins and suffixes.
#pragma once

// The suffix that the launcher's and the target's file names are made to end with.
constexpr char exe_suffix[] = ".exe";

// A fresh copy of `text`; null for null.
char* copy_string(const char* text);

// Where join_strings puts its addition.
enum class join_at { end, start };

// A fresh string: `addition` at the end or at the start of `base`, with no separator between;
// a copy of `addition` when base is null or "". ("a;", "b", join_at::start) -> "ba;".
char* join_strings(const char* base, const char* addition, join_at where);

// Cuts one trailing `pattern` off `text` in place: "prog.exe" -> "prog", "prog.EXE" unchanged.
void strip_suffix(char* text, const char* pattern);

// Byte for byte, so letter case matters.
bool starts_with(const char* text, const char* prefix);
bool ends_with(const char* text, const char* suffix);
