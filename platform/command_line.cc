// The Windows C runtime's joining and splitting of a command line, emulated.
#include "platform/command_line.h"

#include <cstdlib>
#include <cstring>

char* join_command_line(char* const* argv) {
  std::size_t size = 1;
  for (char* const* arg = argv; *arg != nullptr; ++arg) size += std::strlen(*arg) + 1;
  char* line = static_cast<char*>(std::malloc(size));
  if (line == nullptr) return nullptr;
  char* out = line;
  for (char* const* arg = argv; *arg != nullptr; ++arg) {
    if (arg != argv) *out++ = ' ';
    std::size_t length = std::strlen(*arg);
    std::memcpy(out, *arg, length);
    out += length;
  }
  *out = '\0';
  return line;
}

char** split_command_line(const char* line) {
  // Every argument but an empty quoted one takes at least one byte and a separator, an empty one
  // two bytes and a separator: at most length/2 + 1 arguments, and no more text than the line.
  std::size_t length = std::strlen(line);
  std::size_t slots = length / 2 + 2;
  char* block = static_cast<char*>(std::malloc(slots * sizeof(char*) + length + slots));
  if (block == nullptr) return nullptr;
  char** argv = reinterpret_cast<char**>(block);
  char* out = block + slots * sizeof(char*);
  std::size_t count = 0;
  const char* p = line;
  for (;;) {
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '\0') break;
    argv[count++] = out;
    bool quoted = false;
    while (*p != '\0' && (quoted || (*p != ' ' && *p != '\t'))) {
      if (*p == '\\') {
        std::size_t run = 0;
        while (*p == '\\') ++run, ++p;
        if (*p != '"') {
          std::memset(out, '\\', run);
          out += run;
          continue;
        }
        std::memset(out, '\\', run / 2);
        out += run / 2;
        if (run % 2 == 1) {
          *out++ = *p++;
          continue;
        }
      }
      if (*p == '"') {
        ++p;
        if (quoted && *p == '"') {
          *out++ = *p++;
        } else {
          quoted = !quoted;
        }
        continue;
      }
      // A run of other bytes stands as it is; inside a quoted stretch blanks and tabs too.
      std::size_t run = std::strcspn(p, quoted ? "\"\\" : " \t\"\\");
      std::memcpy(out, p, run);
      out += run;
      p += run;
    }
    *out++ = '\0';
  }
  argv[count] = nullptr;
  return argv;
}
