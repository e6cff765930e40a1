// The constants of every launcher that the build knows, for tests that walk all of them.
#pragma once

#include <cstddef>

struct LauncherValues {
  const char* name;
  const char* default_program_name;
  const char* wrapper_marker;
  const char* library_dirs_variable;
  const char* library_dirs;
  const char* program_dirs_variable;
  const char* program_dirs;
  const char* target_program_file;
  const char* option_prefix;
  const char* dump_script_option;
  const char* debug_option;
  const char* source_label;
  const char* version_banner;
  const char* notinst_deplibs;
};

extern const LauncherValues all_launchers[];
extern const std::size_t all_launchers_count;
