// The output format of the test programs: "argc N", then "argv[I] TEXT" a line, where TEXT keeps
// the bytes 0x21 to 0x7E but the backslash, writes a backslash as "\\" and any other byte as
// "\xHH", so that every argument is one unambiguous word.
#pragma once

#include <cstdio>

inline void print_escaped(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    if (*p == '\\') {
      std::fputs("\\\\", stdout);
    } else if (*p > 0x20 && *p < 0x7F) {
      std::putchar(*p);
    } else {
      std::printf("\\x%02X", *p);
    }
  }
}

inline void print_arguments(int argc, char** argv) {
  std::printf("argc %d\n", argc);
  for (int i = 0; i < argc; ++i) {
    std::printf("argv[%d] ", i);
    print_escaped(argv[i]);
    std::putchar('\n');
  }
}
