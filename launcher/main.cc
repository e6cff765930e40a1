// The launcher: finds itself, derives the target in .libs beside it, starts it and waits.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "launcher/launcher_values.h"
#include "launcher/wrapper_script.h"
#include "platform/platform.h"
#include "support/diagnostic_lines.h"
#include "support/diagnostics.h"
#include "support/environment.h"
#include "support/paths.h"
#include "support/quoting.h"
#include "support/strings.h"

namespace {

constexpr int target_not_started_status = 127;

}  // namespace

int main(int argc, char** argv) {
  if (argc < 1 || argv[0] == nullptr) {
    fatal_error(source_label, line_could_not_find, "couldn't find %s", text_or_null(nullptr));
  }
  program_name = copy_string(last_path_component(argv[0]));

  char** newargz = static_cast<char**>(alloc_or_die((argc + 1) * sizeof(char*)));
  int count = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], dump_script_option) == 0) {
      // The script leaves with bare line feeds; nothing else happens in such a run.
      platform_binary_stdout();
      write_wrapper_script(stdout);
      return 0;
    }
    if (std::strcmp(argv[i], debug_option) == 0) {
      debug_enabled = true;
    } else if (starts_with(argv[i], option_prefix)) {
      fatal_error(source_label, line_unrecognized_option, "unrecognized %s option: '%s'",
                  option_prefix, argv[i]);
    } else {
      newargz[count++] = copy_string(argv[i]);
    }
  }
  newargz[count] = nullptr;

  debug_print(source_label, line_banner, "%s", version_banner);
  debug_print(source_label, line_argv_zero, "(main) argv[0]: %s\n", argv[0]);
  debug_print(source_label, line_program_name, "(main) program_name: %s\n", program_name);

  char* wrapper_path = find_executable(argv[0]);
  if (wrapper_path == nullptr) {
    fatal_error(source_label, line_could_not_find, "couldn't find %s", argv[0]);
  }
  debug_print(source_label, line_found_before_links,
              "(main) found exe (before symlink chase) at: %s\n", wrapper_path);
  char* resolved_path = follow_links(wrapper_path);
  debug_print(source_label, line_found_after_links,
              "(main) found exe (after symlink chase) at: %s\n", resolved_path);
  std::free(wrapper_path);

  char* qn_argv_zero = nullptr;
  derive_target_paths(resolved_path, target_program_file, &newargz[0], &qn_argv_zero);
  std::free(resolved_path);
  debug_print(source_label, line_target_name, "(main) quenlo target name: %s\n",
              last_path_component(qn_argv_zero));

  qn_setenv("BIN_SH", "xpg4");
  qn_setenv("DUALCASE", "1");
  // Each list goes in front of what is there, so library_dirs ends up first.
  qn_update_exe_path(program_dirs_variable, program_dirs);
  qn_update_lib_path(library_dirs_variable, library_dirs);

  debug_print(source_label, line_qn_argv_zero, "(main) qn_argv_zero: %s\n",
              text_or_null(qn_argv_zero));
  for (int i = 0; i < count; ++i) {
    debug_print(source_label, line_newargz, "(main) newargz[%d]: %s\n", i,
                text_or_null(newargz[i]));
  }

  // The spawn joins the strings with blanks and quotes nothing; the target's runtime splits the
  // line again. The unquoted vector stays allocated, as everything main keeps does.
  newargz = quote_arguments(newargz);
  int status = 0;
  if (!platform_spawn_wait(qn_argv_zero, newargz, &status)) {
    debug_print(source_label, line_launch_failed, "(main) failed to launch target \"%s\": %s\n",
                qn_argv_zero, text_or_null(std::strerror(errno)));
    return target_not_started_status;
  }
  return status;
}
