// The per-launcher values compiled into each launcher: its values file and the shared constants.
#pragma once

// source_label and default_program_name, which the support routines read too.
#include "support/diagnostics.h"

extern const char wrapper_marker[];
extern const char library_dirs_variable[];
extern const char library_dirs[];
extern const char program_dirs_variable[];
extern const char program_dirs[];
extern const char target_program_file[];
extern const char option_prefix[];
extern const char dump_script_option[];
extern const char debug_option[];
extern const char version_banner[];
extern const char wrapper_script_text[];
