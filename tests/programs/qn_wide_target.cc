// A Unicode target for the end-to-end tests under Wine: prints what it received as UTF-16, in
// UTF-8, so that characters beyond any ANSI code page show whether they arrived.
//
// Output, in qn_test_target's format: its wide arguments, then "env NAME TEXT" (or "env NAME
// unset") for each name listed in QN_SHOW, then "cwd TEXT", its working directory. Exit status 0.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "print_arguments.h"

namespace {

std::string utf8(const wchar_t* text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], size, nullptr, nullptr);
  narrow.resize(size - 1);
  return narrow;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(1, _O_BINARY);
  std::printf("argc %d\n", argc);
  for (int i = 0; i < argc; ++i) {
    std::printf("argv[%d] ", i);
    print_escaped(utf8(argv[i]).c_str());
    std::putchar('\n');
  }
  if (const wchar_t* names = _wgetenv(L"QN_SHOW")) {
    std::wstring list = names;
    for (std::size_t start = 0; start <= list.size();) {
      std::size_t end = list.find(L',', start);
      if (end == std::wstring::npos) end = list.size();
      std::wstring name = list.substr(start, end - start);
      if (!name.empty()) {
        const wchar_t* value = _wgetenv(name.c_str());
        std::printf("env %s ", utf8(name.c_str()).c_str());
        if (value == nullptr) {
          std::fputs("unset", stdout);
        } else {
          print_escaped(utf8(value).c_str());
        }
        std::putchar('\n');
      }
      start = end + 1;
    }
  }
  wchar_t directory[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, directory);
  std::fputs("cwd ", stdout);
  print_escaped(utf8(directory).c_str());
  std::putchar('\n');
  return 0;
}
