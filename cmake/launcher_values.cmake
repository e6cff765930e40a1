# A launcher's values: what a values file may set, the constants that every launcher shares,
# and the reading of one file (the file-name defaults, the folder's defaults.cmake, then the
# file), every field checked, so that a broken file stops the configure step with its name and
# the field's. The configure step and the generator of the constants read values files alike.

# What varies between launchers: the fields of a values file.
set(launcher_value_fields target_program_file source_label library_dirs program_dirs
    notinst_deplibs)
# What else a values file may set.
set(launcher_value_flags launcher_for_tests_only)
# The constants of every launcher, here and nowhere else; the version is the project's.
set(launcher_constants default_program_name wrapper_marker library_dirs_variable
    program_dirs_variable option_prefix dump_script_option debug_option version_banner)
macro(set_launcher_constants version)
  set(default_program_name "quenlo-wrapper")
  set(wrapper_marker "%%%MAGIC EXE variable%%%")
  set(library_dirs_variable "PATH")
  set(program_dirs_variable "PATH")
  set(option_prefix "--qn-")
  set(dump_script_option "${option_prefix}dump-script")
  set(debug_option "${option_prefix}debug")
  set(version_banner "quenlo wrapper (ZUT quenlo) ${version}\n")
  # The wrapper script's own: the value that selects its install and execute modes.
  set(script_magic "%%%MAGIC variable%%%")
endmacro()
# What a folder of values files may hold besides them: the values its launchers share.
set(launcher_folder_defaults defaults.cmake)

# The value as a string literal that C++ and JSON read alike.
function(string_literal out value)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  string(REPLACE "\n" "\\n" value "${value}")
  set(${out} "\"${value}\"" PARENT_SCOPE)
endfunction()

function(refuse_launcher_values config field problem)
  message(FATAL_ERROR "values file ${config}: field '${field}': ${problem}")
endfunction()

# A file name that Windows accepts and that a CMake target and a shell word carry as it is.
function(check_file_name config field value)
  if(NOT value MATCHES "^[A-Za-z0-9_.+-]+$")
    refuse_launcher_values("${config}" "${field}"
      "'${value}' is not a file name of letters, digits and . _ + - only")
  endif()
  if(value MATCHES "\\.$")
    refuse_launcher_values("${config}" "${field}" "'${value}' ends in a dot, which Windows drops")
  endif()
  string(TOUPPER "${value}" upper)
  if(upper MATCHES "^(CON|PRN|AUX|NUL|COM[0-9]|LPT[0-9])(\\.|$)")
    refuse_launcher_values("${config}" "${field}" "'${value}' is a device name on Windows")
  endif()
endfunction()

# Printable ASCII with neither double quote nor backslash: what a C++ string literal and a line
# of the wrapper script hold as it is.
function(check_plain_text config field value)
  if("${value}" STREQUAL "")
    refuse_launcher_values("${config}" "${field}" "is empty")
  endif()
  if(NOT "${value}" MATCHES "^[ -~]*$")
    refuse_launcher_values("${config}" "${field}"
      "holds a newline, a control character or a non-ASCII byte")
  endif()
  if("${value}" MATCHES "[\"\\\\]")
    refuse_launcher_values("${config}" "${field}" "holds a double quote or a backslash")
  endif()
endfunction()

function(refuse_empty_entries config field value)
  if(value MATCHES "^;|;;|;$")
    refuse_launcher_values("${config}" "${field}" "holds an empty entry")
  endif()
endfunction()

# The library descriptions, joined with blanks inside single quotes on one line of the script:
# none or more entries, none empty, each printable ASCII without blanks, quotes or backslashes.
function(check_library_descriptions config field value)
  refuse_empty_entries("${config}" "${field}" "${value}")
  foreach(entry IN LISTS value)
    if(NOT entry MATCHES "^[!-~]+$" OR entry MATCHES "[\"'\\\\]")
      refuse_launcher_values("${config}" "${field}" "entry '${entry}' is not a file name of \
printable ASCII without blanks, quotes or backslashes")
    endif()
  endforeach()
endfunction()

# A directory list: at least one entry, none empty, each an absolute path made only of what is safe
# both in a Windows PATH and unquoted on a line "PATH=<entries>:$PATH" of the wrapper script:
# letters, digits, / . _ - + , = and characters beyond ASCII, in UTF-8 (no shell and no PATH
# gives their bytes a meaning). Anything else is refused, the shell's and PATH's separators and
# metacharacters among it: blanks, quotes, backslashes, ; : & | < > ( ) $ ` ~ * ? [ ] # and !.
set(_launcher_continuation "[89ab][0-9a-f]")
set(_launcher_utf8_beyond_ascii "(c[2-9a-f]|d[0-9a-f])${_launcher_continuation}|\
e0[ab][0-9a-f]${_launcher_continuation}|\
(e[1-9a-c]|e[ef])${_launcher_continuation}${_launcher_continuation}|\
ed[89][0-9a-f]${_launcher_continuation}|\
f0(9[0-9a-f]|[ab][0-9a-f])${_launcher_continuation}${_launcher_continuation}|\
f[1-3]${_launcher_continuation}${_launcher_continuation}${_launcher_continuation}|\
f48[0-9a-f]${_launcher_continuation}${_launcher_continuation}")
function(check_directories config field value)
  if("${value}" STREQUAL "")
    refuse_launcher_values("${config}" "${field}" "is empty")
  endif()
  refuse_empty_entries("${config}" "${field}" "${value}")
  foreach(entry IN LISTS value)
    # What is left once the safe ASCII is gone must be whole UTF-8 characters beyond ASCII;
    # its bytes in hexadecimal are matched a character at a time.
    string(REGEX REPLACE "[A-Za-z0-9/._+,=-]" "" rest "${entry}")
    string(HEX "${rest}" rest)
    if(NOT entry MATCHES "^/" OR NOT rest MATCHES "^(${_launcher_utf8_beyond_ascii})*$")
      refuse_launcher_values("${config}" "${field}" "entry '${entry}' is not an absolute path \
of letters, digits, / . _ - + , = and characters beyond ASCII (UTF-8) only")
    endif()
  endforeach()
endfunction()

# Sets every field of the launcher that `config` describes, and `launcher_name`, in the caller's
# scope; stops the configure step when the file is broken. The launcher is named like the file
# unless a second argument names it.
macro(load_launcher_values config)
  set(_launcher_values_file "${config}")
  if(${ARGC} GREATER 1)
    set(launcher_name "${ARGV1}")
    check_file_name("${config}" "(the launcher's name)" "${launcher_name}")
  else()
    cmake_path(GET _launcher_values_file STEM LAST_ONLY launcher_name)
    check_file_name("${config}" "(the file's name)" "${launcher_name}")
  endif()
  set(target_program_file "${launcher_name}.exe")
  set(source_label "./.libs/qn-${launcher_name}.cc")
  set(notinst_deplibs "")
  unset(library_dirs)
  unset(program_dirs)
  unset(launcher_for_tests_only)
  cmake_path(REPLACE_FILENAME _launcher_values_file "${launcher_folder_defaults}"
             OUTPUT_VARIABLE _launcher_folder_defaults)
  get_cmake_property(_launcher_variables_before VARIABLES)
  if(EXISTS "${_launcher_folder_defaults}")
    include("${_launcher_folder_defaults}")
  endif()
  include("${config}")
  get_cmake_property(_launcher_variables_after VARIABLES)
  list(REMOVE_ITEM _launcher_variables_after ${_launcher_variables_before}
       _launcher_variables_before)
  foreach(_launcher_variable IN LISTS _launcher_variables_after)
    if(NOT _launcher_variable IN_LIST launcher_value_fields AND
       NOT _launcher_variable IN_LIST launcher_value_flags)
      refuse_launcher_values("${config}" "${_launcher_variable}" "is not a field of a launcher")
    endif()
  endforeach()
  foreach(_launcher_field library_dirs program_dirs)
    if(NOT DEFINED ${_launcher_field})
      refuse_launcher_values("${config}" "${_launcher_field}" "is missing")
    endif()
  endforeach()

  check_plain_text("${config}" source_label "${source_label}")
  check_file_name("${config}" target_program_file "${target_program_file}")
  foreach(_launcher_field library_dirs program_dirs)
    check_directories("${config}" ${_launcher_field} "${${_launcher_field}}")
  endforeach()
  check_library_descriptions("${config}" notinst_deplibs "${notinst_deplibs}")
endmacro()
