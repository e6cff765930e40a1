// Path names with Windows rules and the search for the launcher's own executable.
#include "support/paths.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "launcher/wrapper_config.h"
#include "platform/platform.h"
#include "support/diagnostics.h"

namespace {

constexpr int kLineCheckExecutable = 369;
constexpr int kLineFindExecutable = 414;
constexpr int kLineGetcwdPathEntry = 468;
constexpr int kLineGetcwdFinal = 494;
constexpr int kLineAssertText = 572;
constexpr int kLineAssertPattern = 573;

// The buffer the current directory is read into; a longer directory is a fatal error.
constexpr std::size_t kCurrentDirectorySize = 260;
constexpr unsigned kAnyExecuteBit = 0111;
constexpr unsigned kFileTypeBits = 0170000;
constexpr unsigned kRegularFile = 0100000;
constexpr char kExeSuffix[] = ".exe";

bool has_drive_prefix(const char* path) {
  return std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

bool ends_with(const char* text, const char* suffix) {
  std::size_t text_length = std::strlen(text);
  std::size_t suffix_length = std::strlen(suffix);
  return suffix_length <= text_length &&
         std::memcmp(text + text_length - suffix_length, suffix, suffix_length) == 0;
}

void read_current_directory(char* buffer, int line) {
  if (platform_current_directory(buffer, kCurrentDirectorySize) == nullptr) {
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
  if (!ends_with(name, kExeSuffix)) {
    char* with_suffix = join_strings(candidate, kExeSuffix, 1);
    std::free(candidate);
    if (check_executable(with_suffix)) return with_suffix;
    candidate = with_suffix;
  }
  std::free(candidate);
  return nullptr;
}

char* try_in_current_directory(const char* name, int line) {
  char directory[kCurrentDirectorySize];
  read_current_directory(directory, line);
  return accept_candidate(build_candidate(directory, std::strlen(directory), name), name);
}

char* search_path(const char* name) {
  const char* entry = std::getenv("PATH");
  if (entry == nullptr) return nullptr;
  while (*entry != '\0') {
    const char* end = std::strchr(entry, ';');
    if (end == nullptr) end = entry + std::strlen(entry);
    char* found = end == entry ? try_in_current_directory(name, kLineGetcwdPathEntry)
                               : accept_candidate(build_candidate(entry, end - entry, name), name);
    if (found != nullptr) return found;
    entry = *end == ';' ? end + 1 : end;
  }
  return nullptr;
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

int check_executable(const char* path) {
  debug_print(source_label, kLineCheckExecutable, "(check_executable): %s\n",
              text_or_empty(path));
  if (path == nullptr || *path == '\0') return 0;
  unsigned mode;
  if (platform_file_mode(path, &mode) < 0) return 0;
  // msvcrt reports execute bits for a directory too, and a directory named like the launcher
  // must not end the search.
  return (mode & kFileTypeBits) == kRegularFile && (mode & kAnyExecuteBit) != 0 ? 1 : 0;
}

char* find_executable(const char* name) {
  debug_print(source_label, kLineFindExecutable, "(find_executable): %s\n", text_or_empty(name));
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
  return try_in_current_directory(name, kLineGetcwdFinal);
}

char* follow_links(const char* path) { return copy_string(path); }

void strip_suffix(char* text, const char* pattern) {
  if (text == nullptr) platform_assert_failed("str != NULL", __func__, source_label, kLineAssertText);
  if (pattern == nullptr) {
    platform_assert_failed("pat != NULL", __func__, source_label, kLineAssertPattern);
  }
  if (ends_with(text, pattern)) text[std::strlen(text) - std::strlen(pattern)] = '\0';
}

char* join_strings(const char* base, const char* addition, int append) {
  if (base == nullptr || *base == '\0') return copy_string(addition);
  std::size_t base_length = std::strlen(base);
  std::size_t addition_length = std::strlen(addition);
  char* joined = static_cast<char*>(alloc_or_die(base_length + addition_length + 1));
  const char* first = append ? base : addition;
  std::size_t first_length = append ? base_length : addition_length;
  const char* second = append ? addition : base;
  std::memcpy(joined, first, first_length);
  std::memcpy(joined + first_length, second, std::strlen(second) + 1);
  return joined;
}
