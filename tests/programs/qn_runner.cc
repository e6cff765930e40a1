// Starts one program exactly as a request file says, so that tests under Wine control the raw
// command line, the working directory and the environment, which Wine's own start-up rewrites.
// The runner works in UTF-16 throughout, as a Unicode caller of the launcher does: it hands the
// program its command line and a UTF-16 environment through CreateProcessW.
//
// Usage: qn_runner REQUEST RESULT. Each line of REQUEST is "<key> <hex bytes>":
//   program       the executable to start (CreateProcess's application name)
//   command-line  the exact command line the program receives
//   directory     its working directory
//   set           NAME=VALUE, replacing any variable of that name
//   unset         NAME
//   repeat        a decimal count: start the program that many times, one after the other
//   code-page     a decimal code page: the texts of the request are in it, and the runner turns
//                 them into UTF-16 as a narrow caller's CreateProcessA would (65001, UTF-8, when
//                 the request names none)
//   watch         a file into which a process of the run (the target, or one it starts) writes
//                 its decimal id
//   watch-ms      a decimal count: after the program has ended, how long to wait for the watched
//                 process to end too (0 when the request names none)
//   kill          "ready": end the program with TerminateProcess, as a caller's timeout does,
//                 once the watched process has written its id
//   caller-job    "kill-on-close": the runner puts itself into a job that kills what is in it
//                 when the runner ends, as a build tool may, before it starts the program, which
//                 belongs to that job then
// Any other key, or a line without one, is refused (status 2, before anything starts). The child
// shares the runner's standard streams. RESULT receives "exit <code>" with the full 32-bit exit
// code of the last start, or "error <GetLastError code>" when the program cannot be started, then
// "microseconds" and the time of each start until its end, and with a watch "watched ended" or
// "watched alive" (ended within watch-ms or not; one still alive is ended then) or "watched
// none" (no id within 10 s). tests/e2e/wine.py writes the requests and reads the results.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "hex.h"

namespace {

std::wstring widen(const std::string& text, UINT code_page) {
  if (text.empty()) return std::wstring();
  int size = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()),
                                 nullptr, 0);
  std::wstring wide(size, L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
  return wide;
}

std::wstring name_of(const std::wstring& entry) {
  // Entries such as "=C:=C:\dir" keep their leading "=" in the name.
  std::size_t equals = entry.find(L'=', 1);
  return entry.substr(0, equals);
}

void remove_variable(std::vector<std::wstring>& environment, const std::wstring& name) {
  for (auto it = environment.begin(); it != environment.end();) {
    it = _wcsicmp(name_of(*it).c_str(), name.c_str()) == 0 ? environment.erase(it) : it + 1;
  }
}

// One line of `file` without its line end, of any length; false at the end of the file.
bool read_line(std::FILE* file, std::string& line) {
  line.clear();
  int c;
  while ((c = std::fgetc(file)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return c != EOF || !line.empty();
}

std::vector<std::wstring> current_environment() {
  std::vector<std::wstring> environment;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* p = block; *p != L'\0'; p += std::wcslen(p) + 1) environment.push_back(p);
  FreeEnvironmentStringsW(block);
  return environment;
}

// The process whose id `path` holds once it is written whole (with its line end), opened to be
// waited for and ended; null when none is there before `deadline` (GetTickCount64) or the
// process is gone already.
HANDLE watched_process(const std::wstring& path, ULONGLONG deadline) {
  for (;;) {
    if (std::FILE* file = _wfopen(path.c_str(), L"rb")) {
      char text[32] = {};
      std::size_t length = std::fread(text, 1, sizeof text - 1, file);
      std::fclose(file);
      if (length > 0 && text[length - 1] == '\n') {
        DWORD id = static_cast<DWORD>(std::strtoul(text, nullptr, 10));
        return OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id);
      }
    }
    if (GetTickCount64() > deadline) return nullptr;
    Sleep(10);
  }
}

// A Ctrl+C typed at the console reaches the runner too; it must stay to report the exit code.
BOOL WINAPI stay(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetConsoleCtrlHandler(stay, TRUE);
  if (argc != 3) {
    std::fprintf(stderr, "usage: qn_runner REQUEST RESULT\n");
    return 2;
  }
  std::FILE* request = _wfopen(argv[1], L"rb");
  if (request == nullptr) {
    std::fprintf(stderr, "qn_runner: cannot open the request\n");
    return 2;
  }
  // The texts stay bytes until the whole request, its code page included, has been read.
  std::string program, command_line, directory;
  std::vector<std::pair<std::string, std::string>> changes;  // ("set" or "unset", text)
  long repeat = 1;
  UINT code_page = CP_UTF8;
  std::string watch, kill, caller_job;
  DWORD watch_ms = 0;
  std::string text;
  while (read_line(request, text)) {
    std::size_t blank = text.find(' ');
    std::string key = text.substr(0, blank);
    std::string value = blank == std::string::npos ? "" : from_hex(text.substr(blank + 1));
    if (key == "program") {
      program = value;
    } else if (key == "command-line") {
      command_line = value;
    } else if (key == "directory") {
      directory = value;
    } else if (key == "set" || key == "unset") {
      changes.emplace_back(key, value);
    } else if (key == "repeat") {
      repeat = std::stol(value);
    } else if (key == "code-page") {
      code_page = static_cast<UINT>(std::stoul(value));
    } else if (key == "watch") {
      watch = value;
    } else if (key == "watch-ms") {
      watch_ms = static_cast<DWORD>(std::stoul(value));
    } else if (key == "kill" && value == "ready") {
      kill = value;
    } else if (key == "caller-job" && value == "kill-on-close") {
      caller_job = value;
    } else {
      std::fprintf(stderr, "qn_runner: unknown request key '%s'\n", key.c_str());
      return 2;
    }
  }
  std::fclose(request);

  std::vector<std::wstring> environment = current_environment();
  for (const auto& change : changes) {
    std::wstring entry = widen(change.second, code_page);
    remove_variable(environment, change.first == "set" ? name_of(entry) : entry);
    if (change.first == "set") environment.push_back(entry);
  }
  std::wstring block;
  for (const std::wstring& entry : environment) block += entry + L'\0';
  block += L'\0';
  std::wstring program_w = widen(program, code_page), directory_w = widen(directory, code_page);
  std::wstring line = widen(command_line, code_page);
  std::vector<wchar_t> writable_line(line.begin(), line.end());
  writable_line.push_back(L'\0');

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<long long> microseconds;
  if (!caller_job.empty()) {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job == nullptr ||
        !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
        !AssignProcessToJobObject(job, GetCurrentProcess())) {
      std::fprintf(stderr, "qn_runner: no caller's job (error %lu)\n", GetLastError());
      return 2;
    }
  }
  std::wstring watch_w = widen(watch, code_page);
  HANDLE watched = nullptr;
  std::FILE* result = _wfopen(argv[2], L"wb");
  if (result == nullptr) {
    std::fprintf(stderr, "qn_runner: cannot open the result\n");
    return 2;
  }
  for (long run = 0; run < repeat; ++run) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER began, ended;
    QueryPerformanceCounter(&began);
    BOOL started = CreateProcessW(program_w.c_str(), writable_line.data(), nullptr, nullptr,
                                  /* bInheritHandles */ TRUE,
                                  /* dwCreationFlags */ CREATE_UNICODE_ENVIRONMENT, &block[0],
                                  directory_w.empty() ? nullptr : directory_w.c_str(), &startup,
                                  &process);
    if (!started) {
      std::fprintf(result, "error %lu\n", GetLastError());
      break;
    }
    if (!kill.empty()) {
      // Until the watched process is there, or the program ends without it.
      ULONGLONG deadline = GetTickCount64() + 30000;
      while (watched == nullptr && WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT &&
             GetTickCount64() < deadline) {
        watched = watched_process(watch_w, 0);
      }
      TerminateProcess(process.hProcess, 1);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    QueryPerformanceCounter(&ended);
    microseconds.push_back((ended.QuadPart - began.QuadPart) * 1000000 / frequency.QuadPart);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (run + 1 == repeat) {
      std::fprintf(result, "exit %lu\nmicroseconds", code);
      for (long long time : microseconds) std::fprintf(result, " %lld", time);
      std::fprintf(result, "\n");
    }
  }
  if (!watch.empty()) {
    if (watched == nullptr) watched = watched_process(watch_w, GetTickCount64() + 10000);
    if (watched == nullptr) {
      std::fprintf(result, "watched none\n");
    } else {
      bool ended = WaitForSingleObject(watched, watch_ms) == WAIT_OBJECT_0;
      std::fprintf(result, "watched %s\n", ended ? "ended" : "alive");
      if (!ended) TerminateProcess(watched, 1);
      CloseHandle(watched);
    }
  }
  std::fclose(result);
  return 0;
}
