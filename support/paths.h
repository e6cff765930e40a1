// Path names with Windows rules ("/" and "\" separate, a drive prefix may lead), the search for
// the launcher's own executable and the paths a launch derives from where it was found.
#pragma once

// "D:\dir\prog.exe" -> "prog.exe"; "D:prog.exe" -> "prog.exe"; "D:" -> ""; "dir/" -> "";
// "1:prog" -> "1:prog". A position inside `path`, which must be present.
const char* last_path_component(const char* path);

// True when `path` names a regular file whose status carries an execute bit (a directory does
// not count); null and "" give false without a query.
bool check_executable(const char* path);

// The path of the launcher's executable as found from the name it was started under: the name
// itself when absolute, then "<entry>/<name>" for each ";"-separated PATH entry (an empty entry is
// the current directory) when the name holds no "/", then "<current directory>/<name>". A name
// not ending in ".exe" is also tried with ".exe" appended at each place. Null when nothing passes.
char* find_executable(const char* name);

// A fresh copy of `path`: on Windows there are no links to resolve.
char* follow_links(const char* path);

// What a launch derives from its launcher's resolved path: entry 0 of the target's argument
// vector, "<dir>.libs/<launcher's file name>", and the target, "<dir>.libs/<last component of
// target_program_file>", each file name made to end in ".exe" and every "\" turned into "/".
// "D:\tree\tool.exe" with "fyx.exe" -> "D:/tree/.libs/tool.exe" and "D:/tree/.libs/fyx.exe".
// Two fresh strings.
void derive_target_paths(const char* launcher_path, const char* target_program_file,
                         char** entry_zero, char** target_path);
