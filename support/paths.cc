// Path names with Windows rules, the search for the launcher's own executable and the paths a
// launch derives from it.
#include "support/paths.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "support/diagnostic_lines.h"
#include "support/diagnostics.h"
#include "support/strings.h"

namespace {

// The directory beside the launcher that holds the target, with its separator.
constexpr char object_dir[] = ".libs/";
// The current directory holds at most 260 characters with its terminator, counted as Windows
// counts them (UTF-16 units); a longer one is a fatal error. In UTF-8 a unit takes up to three
// bytes (a character of two units takes four).
constexpr std::size_t current_directory_characters = 260;
constexpr std::size_t current_directory_size = 3 * current_directory_characters;
constexpr unsigned any_execute_bit = 0111;
constexpr unsigned file_type_bits = 0170000;
constexpr unsigned regular_file = 0100000;

bool has_drive_prefix(const char* path) {
  return std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

void read_current_directory(char* buffer, int line) {
  char* directory = platform_current_directory(buffer, current_directory_size);
  if (directory != nullptr && platform_text_units(directory) >= current_directory_characters) {
    errno = ERANGE;
    directory = nullptr;
  }
  if (directory == nullptr) {
    fatal_error(source_label, line, "getcwd failed: %s", text_or_null(std::strerror(errno)));
  }
}

// "<directory>/<name>", from the first `length` bytes of directory.
char* build_candidate(const char* directory, std::size_t length, const char* name) {
  std::size_t name_length = std::strlen(name);
  char* candidate = static_cast<char*>(alloc_or_die(length + name_length + 2));
  std::memcpy(candidate, directory, length);
  candidate[length] = '/';
  std::memcpy(candidate + length + 1, name, name_length + 1);
  return candidate;
}

// Takes ownership of candidate; returns it, or its ".exe" form, if executable, else frees it.
// Started by a bare name from cmd.exe a program sees argv[0] as typed, without ".exe", while the
// status query needs the whole file name, so the suffix is tried at the same place in the order.
char* accept_candidate(char* candidate, const char* name) {
  if (check_executable(candidate)) return candidate;
  if (!ends_with(name, exe_suffix)) {
    char* with_suffix = join_strings(candidate, exe_suffix, join_at::end);
    std::free(candidate);
    if (check_executable(with_suffix)) return with_suffix;
    candidate = with_suffix;
  }
  std::free(candidate);
  return nullptr;
}

char* try_in_current_directory(const char* name, int line) {
  char directory[current_directory_size];
  read_current_directory(directory, line);
  return accept_candidate(build_candidate(directory, std::strlen(directory), name), name);
}

char* search_path(const char* name) {
  const char* entry = std::getenv("PATH");
  if (entry == nullptr) return nullptr;
  while (*entry != '\0') {
    const char* end = std::strchr(entry, ';');
    if (end == nullptr) end = entry + std::strlen(entry);
    char* found = end == entry ? try_in_current_directory(name, line_getcwd_path_entry)
                               : accept_candidate(build_candidate(entry, end - entry, name), name);
    if (found != nullptr) return found;
    entry = *end == ';' ? end + 1 : end;
  }
  return nullptr;
}

// `file` made to end in ".exe": "tool" -> "tool.exe"; "tool.exe" -> "tool.exe"; "" -> ".exe";
// "TOOL.EXE" -> "TOOL.EXE.exe". A fresh string.
char* with_exe_suffix(const char* file) {
  char* stem = copy_string(file);
  strip_suffix(stem, exe_suffix);
  char* name = join_strings(stem, exe_suffix, join_at::end);
  std::free(stem);
  return name;
}

// "<directory>.libs/<file>" with every "\" turned into "/". A fresh string.
char* in_object_dir(const char* directory, const char* file) {
  char* object_directory = join_strings(directory, object_dir, join_at::end);
  char* path = join_strings(object_directory, file, join_at::end);
  std::free(object_directory);
  for (char* p = path; *p != '\0'; ++p) {
    if (*p == '\\') *p = '/';
  }
  return path;
}

}  // namespace

const char* last_path_component(const char* path) {
  if (has_drive_prefix(path)) path += 2;
  const char* component = path;
  for (; *path != '\0'; ++path) {
    if (is_separator(*path)) component = path + 1;
  }
  return component;
}

bool check_executable(const char* path) {
  debug_print(source_label, line_check_executable, "(check_executable): %s\n",
              text_or_empty(path));
  if (path == nullptr || *path == '\0') return false;
  unsigned mode;
  if (platform_file_mode(path, &mode) < 0) return false;
  // msvcrt reports execute bits for a directory too, and a directory named like the launcher
  // must not end the search.
  return (mode & file_type_bits) == regular_file && (mode & any_execute_bit) != 0;
}

char* find_executable(const char* name) {
  debug_print(source_label, line_find_executable, "(find_executable): %s\n", text_or_empty(name));
  if (name == nullptr || *name == '\0') return nullptr;
  if (has_drive_prefix(name) || is_separator(name[0])) {
    char* found = accept_candidate(copy_string(name), name);
    if (found != nullptr) return found;
  }
  // Only "/" marks a directory part here: a name with backslashes alone still goes through PATH.
  if (std::strchr(name, '/') == nullptr) {
    char* found = search_path(name);
    if (found != nullptr) return found;
  }
  return try_in_current_directory(name, line_getcwd_final);
}

char* follow_links(const char* path) { return copy_string(path); }

void derive_target_paths(const char* launcher_path, const char* target_program_file,
                         char** entry_zero, char** target_path) {
  // The directory keeps its last separator or its drive prefix: "D:\tree\tool.exe" -> "D:\tree\",
  // "D:tool.exe" -> "D:".
  char* directory = copy_string(launcher_path);
  strip_suffix(directory, last_path_component(launcher_path));
  char* launcher_file = with_exe_suffix(last_path_component(launcher_path));
  char* target_file = with_exe_suffix(last_path_component(target_program_file));
  *entry_zero = in_object_dir(directory, launcher_file);
  *target_path = in_object_dir(directory, target_file);
  std::free(target_file);
  std::free(launcher_file);
  std::free(directory);
}
