// The launcher: finds itself, derives the target in .libs beside it, starts it and waits.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "launcher/wrapper_config.h"
#include "platform/platform.h"
#include "script/wrapper_script.h"
#include "support/diagnostics.h"
#include "support/environment.h"
#include "support/paths.h"
#include "support/quoting.h"

namespace {

constexpr int kLineUnrecognizedOption = 220;
constexpr int kLineBanner = 230;
constexpr int kLineArgvZero = 231;
constexpr int kLineProgramName = 232;
constexpr int kLineCouldNotFind = 236;
constexpr int kLineFoundBeforeLinks = 237;
constexpr int kLineFoundAfterLinks = 242;
constexpr int kLineTargetName = 265;
constexpr int kLineQnArgvZero = 308;
constexpr int kLineNewArgz = 312;
constexpr int kLineLaunchFailed = 322;

constexpr char object_dir_name[] = ".libs";
constexpr char exe_suffix[] = ".exe";
constexpr int kTargetNotStarted = 127;

bool starts_with(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// `name` made to end in ".exe": a fresh string; the stripped copy it came from is freed.
char* with_exe_suffix(char* name) {
  strip_suffix(name, exe_suffix);
  char* suffixed = join_strings(name, exe_suffix, 1);
  std::free(name);
  return suffixed;
}

void to_forward_slashes(char* path) {
  for (; *path != '\0'; ++path) {
    if (*path == '\\') *path = '/';
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 1 || argv[0] == nullptr) {
    fatal_error(source_label, kLineCouldNotFind, "couldn't find %s", text_or_null(nullptr));
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
      debug_enabled = 1;
    } else if (starts_with(argv[i], option_prefix)) {
      fatal_error(source_label, kLineUnrecognizedOption, "unrecognized %s option: '%s'",
                  option_prefix, argv[i]);
    } else {
      newargz[count++] = copy_string(argv[i]);
    }
  }
  newargz[count] = nullptr;

  debug_print(source_label, kLineBanner, "%s", version_banner);
  debug_print(source_label, kLineArgvZero, "(main) argv[0]: %s\n", argv[0]);
  debug_print(source_label, kLineProgramName, "(main) program_name: %s\n", program_name);

  char* wrapper_path = find_executable(argv[0]);
  if (wrapper_path == nullptr) {
    fatal_error(source_label, kLineCouldNotFind, "couldn't find %s", argv[0]);
  }
  debug_print(source_label, kLineFoundBeforeLinks,
              "(main) found exe (before symlink chase) at: %s\n", wrapper_path);

  char* wrapper_dir = follow_links(wrapper_path);
  debug_print(source_label, kLineFoundAfterLinks,
              "(main) found exe (after symlink chase) at: %s\n", wrapper_dir);
  std::free(wrapper_path);

  char* wrapper_file_name = copy_string(last_path_component(wrapper_dir));
  strip_suffix(wrapper_dir, wrapper_file_name);
  wrapper_file_name = with_exe_suffix(wrapper_file_name);
  char* target_file_name = with_exe_suffix(copy_string(last_path_component(target_program_file)));
  debug_print(source_label, kLineTargetName, "(main) quenlo target name: %s\n",
              target_file_name);

  // Entry 0 is "<dir>.libs/<launcher file>", qn_argv_zero "<dir>.libs/<target file>".
  newargz[0] = static_cast<char*>(alloc_or_die(std::strlen(wrapper_dir) +
                                               std::strlen(wrapper_file_name) +
                                               sizeof object_dir_name + 1));
  std::strcpy(newargz[0], wrapper_dir);
  std::strcat(newargz[0], object_dir_name);
  std::strcat(newargz[0], "/");
  char* libs_dir = copy_string(newargz[0]);
  std::strcat(newargz[0], wrapper_file_name);
  char* qn_argv_zero = join_strings(libs_dir, target_file_name, 1);
  std::free(libs_dir);
  to_forward_slashes(newargz[0]);
  to_forward_slashes(qn_argv_zero);
  std::free(target_file_name);
  std::free(wrapper_dir);
  std::free(wrapper_file_name);

  qn_setenv("BIN_SH", "xpg4");
  qn_setenv("DUALCASE", "1");
  // Each list goes in front of what is there, so library_dirs ends up first.
  qn_update_exe_path(program_dirs_variable, program_dirs);
  qn_update_lib_path(library_dirs_variable, library_dirs);

  debug_print(source_label, kLineQnArgvZero, "(main) qn_argv_zero: %s\n",
              text_or_null(qn_argv_zero));
  for (int i = 0; i < count; ++i) {
    debug_print(source_label, kLineNewArgz, "(main) newargz[%d]: %s\n", i,
                text_or_null(newargz[i]));
  }

  // The spawn joins the strings with blanks and quotes nothing; the target's runtime splits the
  // line again. The unquoted vector stays allocated, as everything main keeps does.
  newargz = quote_arguments(newargz);
  int status = 0;
  if (!platform_spawn_wait(qn_argv_zero, newargz, &status)) {
    debug_print(source_label, kLineLaunchFailed, "(main) failed to launch target \"%s\": %s\n",
                qn_argv_zero, text_or_null(std::strerror(errno)));
    return kTargetNotStarted;
  }
  return status;
}
