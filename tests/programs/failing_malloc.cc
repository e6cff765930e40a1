// Linked into a launcher with -Wl,--wrap=malloc, so that the launcher's own calls of malloc come
// here (the runtime's internal ones do not): the call numbered QN_FAIL_MALLOC_AT gets null, and
// at exit the number of calls is written to the file that QN_MALLOC_REPORT names.
#include <cstddef>
#include <cstdio>
#include <cstdlib>

extern "C" void* __real_malloc(std::size_t size);

namespace {

long calls = 0;

long fail_at() {
  const char* value = std::getenv("QN_FAIL_MALLOC_AT");
  return value != nullptr ? std::atol(value) : 0;
}

struct Report {
  ~Report() {
    const char* path = std::getenv("QN_MALLOC_REPORT");
    if (path == nullptr) return;
    if (std::FILE* file = std::fopen(path, "w")) {
      std::fprintf(file, "%ld\n", calls);
      std::fclose(file);
    }
  }
} report;

}  // namespace

extern "C" void* __wrap_malloc(std::size_t size) {
  static const long failing_call = fail_at();
  return ++calls == failing_call ? nullptr : __real_malloc(size);
}
