# Values every launcher shares; a file of targets/ may set any of them again to differ.
set(default_program_name "quenlo-wrapper")
set(wrapper_marker "%%%MAGIC EXE variable%%%")
set(library_dirs_variable "PATH")
set(program_dirs_variable "PATH")
set(option_prefix "--qn-")
set(dump_script_option "--qn-dump-script")
set(debug_option "--qn-debug")
set(version_banner "quenlo wrapper (ZUT quenlo) 2.4.6\n")
