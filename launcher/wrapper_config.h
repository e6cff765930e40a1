// The per-launcher constants compiled into each deliverable from its file in targets/.
#pragma once

extern const char default_program_name[];
extern const char wrapper_marker[];
extern const char library_dirs_variable[];
extern const char library_dirs[];
extern const char program_dirs_variable[];
extern const char program_dirs[];
extern const char target_program_file[];
extern const char option_prefix[];
extern const char dump_script_option[];
extern const char debug_option[];
extern const char source_label[];
extern const char version_banner[];
extern const char wrapper_script_text[];
