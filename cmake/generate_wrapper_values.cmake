# Turns one file of targets/ into the C++ definitions of its launcher's constants.
#   cmake -DDEFAULTS=<defaults.cmake> -DCONFIG=<target.cmake> -DOUTPUT=<values.inc> -P <this file>
cmake_minimum_required(VERSION 3.25)
include("${DEFAULTS}")
include("${CONFIG}")

# The directory entries end up in C++ strings and in shell text: keep them plain absolute paths.
function(check_entries field)
  if(NOT ${field})
    message(FATAL_ERROR "${CONFIG}: ${field} is empty")
  endif()
  foreach(entry IN LISTS ${field})
    if(NOT entry MATCHES "^/[^ \t\"'\\\\$`:]*$")
      message(FATAL_ERROR "${CONFIG}: ${field} entry '${entry}' is not a plain absolute path")
    endif()
  endforeach()
endfunction()

function(c_string out value)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  string(REPLACE "\n" "\\n" value "${value}")
  set(${out} "\"${value}\"" PARENT_SCOPE)
endfunction()

check_entries(library_dirs)
check_entries(program_dirs)
foreach(list_field library_dirs program_dirs)
  list(JOIN ${list_field} ";" joined)
  set(${list_field} "${joined};")
endforeach()
list(TRANSFORM notinst_deplibs PREPEND " ")
list(JOIN notinst_deplibs "" notinst_deplibs)

get_filename_component(config_name "${CONFIG}" NAME)
set(text "// Generated from targets/${config_name}; edit that file instead.\n")
foreach(field default_program_name wrapper_marker library_dirs_variable library_dirs
              program_dirs_variable program_dirs target_program_file option_prefix
              dump_script_option debug_option source_label version_banner notinst_deplibs)
  c_string(literal "${${field}}")
  set(attributes "")
  if(field STREQUAL "wrapper_marker")
    # Nothing reads the marker, yet it must stay in the image.
    set(attributes "[[gnu::used]] ")
  endif()
  string(APPEND text "${attributes}const char ${field}[] = ${literal};\n")
endforeach()

file(WRITE "${OUTPUT}.tmp" "${text}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
