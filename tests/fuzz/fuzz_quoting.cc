// Fuzzes the quoting round trip: NUL bytes of the input separate the strings of a vector, which
// quoting, joining with blanks and the runtime's splitting must give back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "support/quoting.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back().push_back(static_cast<char>(data[i]));
    }
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);

  char** quoted = quote_arguments(argv.data());
  char* line = join_command_line(quoted);
  char** back = split_command_line(line);
  std::size_t count = 0;
  for (; back[count] != nullptr; ++count) {
    if (count >= args.size() || args[count] != back[count]) std::abort();
  }
  if (count != args.size()) std::abort();

  std::free(back);
  std::free(line);
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (quoted[i] != argv[i]) std::free(quoted[i]);
  }
  std::free(quoted);
  return 0;
}
