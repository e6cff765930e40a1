// The launcher's equivalent shell wrapper script, written on request.
#include "launcher/wrapper_script.h"

#include <cstring>

#include "launcher/launcher_values.h"

void write_wrapper_script(std::FILE* stream) {
  std::fwrite(wrapper_script_text, 1, std::strlen(wrapper_script_text), stream);
}
