// Fuzzes the search for the launcher's executable with arbitrary names and PATH values, in a
// scratch directory holding a few executables, a plain file and a subdirectory. The input's
// first NUL byte separates the name from PATH; without one PATH is unset.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "support/paths.h"
#include "support/strings.h"

namespace {

void make_file(const std::string& path, mode_t mode) {
  std::ofstream(path) << "x";
  chmod(path.c_str(), mode);
}

// The scratch directory, made once, is the current directory of the whole run.
bool enter_scratch_directory() {
  char pattern[] = "/tmp/qn-fuzz-find-XXXXXX";
  if (mkdtemp(pattern) == nullptr || chdir(pattern) != 0) std::abort();
  mkdir("sub", 0755);
  mkdir("dir.exe", 0755);
  make_file("p.exe", 0755);
  make_file("q", 0755);
  make_file("sub/r.exe", 0755);
  make_file("n.exe", 0644);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool ready = enter_scratch_directory();
  (void)ready;
  std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t nul = input.find('\0');
  std::string name = input.substr(0, nul);
  if (nul == std::string::npos) {
    unsetenv("PATH");
  } else {
    std::string path = input.substr(nul + 1);
    setenv("PATH", path.substr(0, path.find('\0')).c_str(), 1);
  }

  char* found = find_executable(name.c_str());
  if (found != nullptr) {
    // What is found passed the test, and is the name, or the name with ".exe", at some place.
    if (!check_executable(found)) std::abort();
    std::string path = found;
    if (!ends_with(path.c_str(), name.c_str()) && !ends_with(path.c_str(), (name + ".exe").c_str())) {
      std::abort();
    }
    std::free(found);
  }
  return 0;
}
