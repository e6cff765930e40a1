# The constants of a launcher, as the generator defines them and the tests' table lists them.
set(wrapper_value_fields
  default_program_name wrapper_marker library_dirs_variable library_dirs program_dirs_variable
  program_dirs target_program_file option_prefix dump_script_option debug_option source_label
  version_banner notinst_deplibs)
