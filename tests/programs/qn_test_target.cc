// A target for the end-to-end tests: prints what it received and exits as the test asks.
//
// Output, one item a line (none when QN_SILENT is set): its arguments as print_arguments.h writes
// them, then for each name listed in QN_SHOW (comma-separated) "env NAME TEXT" or "env NAME
// unset". Then it meets interrupts as QN_INTERRUPT says (target_process.h), writes its process id
// into the file QN_READY names, and sleeps QN_SLEEP_MS milliseconds. Last, when QN_START_CHILD
// names a file, it starts a copy of itself that writes its id there, prints nothing and sleeps
// 10 s, and does not wait for it. The exit status is QN_EXIT (decimal, up to 32 bits), 0 when it
// is unset.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "print_arguments.h"
#include "target_process.h"

namespace {

void print_environment(const char* names) {
  std::string list = names;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    std::string name = list.substr(start, end - start);
    if (!name.empty()) {
      const char* value = std::getenv(name.c_str());
      std::printf("env %s", name.c_str());
      if (value == nullptr) {
        std::fputs(" unset", stdout);
      } else {
        std::putchar(' ');
        print_escaped(value);
      }
      std::putchar('\n');
    }
    start = end + 1;
  }
}

// The copy's environment: this one's, but for what it is told to do. putenv keeps the strings.
void start_child(const char* program, const char* ready) {
  static std::string ready_assignment = std::string("QN_READY=") + ready;
  static char no_child[] = "QN_START_CHILD=", silent[] = "QN_SILENT=1";
  static char sleep[] = "QN_SLEEP_MS=10000";
  putenv(no_child);
  putenv(silent);
  putenv(sleep);
  putenv(&ready_assignment[0]);
  if (!start_without_waiting(program)) std::fprintf(stderr, "qn_test_target: no child started\n");
}

}  // namespace

int main(int argc, char** argv) {
  platform_binary_stdout();
  if (std::getenv("QN_SILENT") == nullptr) {
    print_arguments(argc, argv);
    if (const char* names = std::getenv("QN_SHOW")) print_environment(names);
  }
  if (const char* mode = std::getenv("QN_INTERRUPT")) apply_interrupt_mode(mode);
  std::fflush(stdout);
  if (const char* ready = std::getenv("QN_READY")) {
    // Written under another name and renamed, so that a reader never sees half of it.
    std::string partial = std::string(ready) + ".partial";
    if (std::FILE* file = std::fopen(partial.c_str(), "w")) {
      std::fprintf(file, "%d\n", current_process_id());
      std::fclose(file);
      std::rename(partial.c_str(), ready);
    }
  }
  if (const char* pause = std::getenv("QN_SLEEP_MS")) sleep_milliseconds(std::atoi(pause));
  const char* child_ready = std::getenv("QN_START_CHILD");
  if (child_ready != nullptr && *child_ready != '\0') start_child(argv[0], child_ready);
  const char* status = std::getenv("QN_EXIT");
  return status != nullptr ? static_cast<int>(std::strtoul(status, nullptr, 10)) : 0;
}
