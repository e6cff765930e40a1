# Values every launcher shares; a values file may set any of them again to differ.
# The target and the source label follow the name of the values file, `launcher_name`.
set(target_program_file "${launcher_name}.exe")
set(source_label "./.libs/qn-${launcher_name}.cc")
set(default_program_name "quenlo-wrapper")
set(wrapper_marker "%%%MAGIC EXE variable%%%")
set(library_dirs_variable "PATH")
set(program_dirs_variable "PATH")
set(option_prefix "--qn-")
set(dump_script_option "--qn-dump-script")
set(debug_option "--qn-debug")
set(version_banner "quenlo wrapper (ZUT quenlo) 2.4.6\n")
