// The launcher's equivalent shell wrapper script, written on request.
#pragma once

#include <cstdio>

// Writes wrapper_script_text to `stream` as it is stored: no formatting, no flush, no close.
void write_wrapper_script(std::FILE* stream);
