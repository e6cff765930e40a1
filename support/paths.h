// Path names with Windows rules ("/" and "\" separate, a drive prefix may lead) and the search for
// the launcher's own executable.
#pragma once

// "D:\dir\prog.exe" -> "prog.exe"; "D:prog.exe" -> "prog.exe"; "D:" -> ""; "dir/" -> "";
// "1:prog" -> "1:prog". A position inside `path`, which must be present.
const char* last_path_component(const char* path);

// 1 when `path` names a regular file whose status carries an execute bit, else 0 (a directory
// gives 0); null and "" give 0 without a query.
int check_executable(const char* path);

// The path of the launcher's executable as found from the name it was started under: the name
// itself when absolute, then "<entry>/<name>" for each ";"-separated PATH entry (an empty entry is
// the current directory) when the name holds no "/", then "<current directory>/<name>". A name
// not ending in ".exe" is also tried with ".exe" appended at each place. Null when nothing passes.
char* find_executable(const char* name);

// A fresh copy of `path`: on Windows there are no links to resolve.
char* follow_links(const char* path);

// Cuts one trailing `pattern` off `text` in place: "prog.exe" -> "prog", "prog.EXE" unchanged.
void strip_suffix(char* text, const char* pattern);

// base + addition when `append` is non-zero, addition + base otherwise; a copy of addition when
// base is null or "". A fresh string.
char* join_strings(const char* base, const char* addition, int append);
