// Starts one program exactly as a request file says, so that tests under Wine control the raw
// command line, the working directory and the environment, which Wine's own start-up rewrites.
//
// Usage: qn_runner REQUEST RESULT. Each line of REQUEST is "<key> <hex bytes>":
//   program       the executable to start (CreateProcess's application name)
//   command-line  the exact command line the program receives
//   directory     its working directory
//   set           NAME=VALUE, replacing any variable of that name
//   unset         NAME
//   repeat        a decimal count: start the program that many times, one after the other
// Any other key, or a line without one, is refused (status 2, before anything starts). The child
// shares the runner's standard streams. RESULT receives "exit <code>" with the full 32-bit exit
// code of the last start, or "error <GetLastError code>" when the program cannot be started, then
// "microseconds" and the time of each start until its end. tests/e2e/harness.py writes the
// requests and reads the results.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string from_hex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

std::string name_of(const std::string& entry) {
  // Entries such as "=C:=C:\dir" keep their leading "=" in the name.
  std::size_t equals = entry.find('=', 1);
  return entry.substr(0, equals);
}

void remove_variable(std::vector<std::string>& environment, const std::string& name) {
  for (auto it = environment.begin(); it != environment.end();) {
    it = lstrcmpiA(name_of(*it).c_str(), name.c_str()) == 0 ? environment.erase(it) : it + 1;
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

std::vector<std::string> current_environment() {
  std::vector<std::string> environment;
  char* block = GetEnvironmentStringsA();
  for (const char* p = block; *p != '\0'; p += std::strlen(p) + 1) environment.push_back(p);
  FreeEnvironmentStringsA(block);
  return environment;
}

// A Ctrl+C typed at the console reaches the runner too; it must stay to report the exit code.
BOOL WINAPI stay(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT; }

}  // namespace

int main(int argc, char** argv) {
  SetConsoleCtrlHandler(stay, TRUE);
  if (argc != 3) {
    std::fprintf(stderr, "usage: qn_runner REQUEST RESULT\n");
    return 2;
  }
  std::FILE* request = std::fopen(argv[1], "rb");
  if (request == nullptr) {
    std::perror(argv[1]);
    return 2;
  }
  std::string program, command_line, directory;
  long repeat = 1;
  std::vector<std::string> environment = current_environment();
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
    } else if (key == "set") {
      remove_variable(environment, name_of(value));
      environment.push_back(value);
    } else if (key == "unset") {
      remove_variable(environment, value);
    } else if (key == "repeat") {
      repeat = std::stol(value);
    } else {
      std::fprintf(stderr, "qn_runner: unknown request key '%s'\n", key.c_str());
      return 2;
    }
  }
  std::fclose(request);

  std::string block;
  for (const std::string& entry : environment) block += entry + '\0';
  block += '\0';
  std::vector<char> writable_line(command_line.begin(), command_line.end());
  writable_line.push_back('\0');

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<long long> microseconds;
  std::FILE* result = std::fopen(argv[2], "wb");
  if (result == nullptr) {
    std::perror(argv[2]);
    return 2;
  }
  for (long run = 0; run < repeat; ++run) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER began, ended;
    QueryPerformanceCounter(&began);
    BOOL started = CreateProcessA(program.c_str(), writable_line.data(), nullptr, nullptr,
                                  /* bInheritHandles */ TRUE, /* dwCreationFlags */ 0, &block[0],
                                  directory.empty() ? nullptr : directory.c_str(), &startup,
                                  &process);
    if (!started) {
      std::fprintf(result, "error %lu\n", GetLastError());
      break;
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
  std::fclose(result);
  return 0;
}
