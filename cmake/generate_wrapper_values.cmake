# Turns one values file into the C++ definitions of its launcher's constants, the wrapper script's
# text among them, and writes that text beside them as wrapper-script.sh and every value as
# wrapper_values.json, which the tests read.
#   cmake -DCONFIG=<values file> -DTEMPLATE=<script template> -DOUTPUT_DIR=<dir> -P <this file>
cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/launcher_values.cmake")
load_launcher_values("${CONFIG}")

# The value as a string literal that C++ and JSON read alike.
function(string_literal out value)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  string(REPLACE "\n" "\\n" value "${value}")
  set(${out} "\"${value}\"" PARENT_SCOPE)
endfunction()

function(write_if_changed path text)
  file(WRITE "${path}.tmp" "${text}")
  file(COPY_FILE "${path}.tmp" "${path}" ONLY_IF_DIFFERENT)
  file(REMOVE "${path}.tmp")
endfunction()

# The script: the template with this launcher's values, the directory lists in ":" form.
string(REGEX REPLACE "\\.exe$" "" program_name "${target_program_file}")
list(JOIN program_dirs ":" script_program_dirs)
list(JOIN library_dirs ":" script_library_dirs)
list(TRANSFORM notinst_deplibs PREPEND " ")
list(JOIN notinst_deplibs "" notinst_deplibs)
file(READ "${TEMPLATE}" script)
foreach(pair "PROGRAM_NAME;${program_name}" "TARGET_PROGRAM_FILE;${target_program_file}"
             "NOTINST_DEPLIBS;${notinst_deplibs}" "PROGRAM_DIRS;${script_program_dirs}"
             "LIBRARY_DIRS;${script_library_dirs}")
  list(GET pair 0 key)
  list(GET pair 1 value)
  string(REPLACE "@${key}@" "${value}" script "${script}")
endforeach()
write_if_changed("${OUTPUT_DIR}/wrapper-script.sh" "${script}")

foreach(list_field library_dirs program_dirs)
  list(JOIN ${list_field} ";" joined)
  set(${list_field} "${joined};")
endforeach()

get_filename_component(config_name "${CONFIG}" NAME)
set(text "// Generated from ${config_name}; edit that file instead.\n")
string_literal(json_name "${launcher_name}")
set(json "{\"name\": ${json_name}}")
foreach(field IN LISTS wrapper_value_fields)
  string_literal(literal "${${field}}")
  string(JSON json SET "${json}" "${field}" "${literal}")
  set(attributes "")
  if(field STREQUAL "wrapper_marker")
    # Nothing reads the marker, yet it must stay in the image.
    set(attributes "[[gnu::used]] ")
  endif()
  string(APPEND text "${attributes}const char ${field}[] = ${literal};\n")
endforeach()

# The script as bytes: it is full of quotes and backslashes that a string literal would escape.
# Each is a character literal, which holds a byte from 0x80 on as well (a directory beyond ASCII).
file(READ "${OUTPUT_DIR}/wrapper-script.sh" script_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," script_bytes "${script_hex}")
string(REGEX REPLACE "(('[^']*',){12})" "\\1\n" script_bytes "${script_bytes}")
string(APPEND text "const char wrapper_script_text[] = {\n${script_bytes}'\\0'};\n")

write_if_changed("${OUTPUT_DIR}/wrapper_values.inc" "${text}")
write_if_changed("${OUTPUT_DIR}/wrapper_values.json" "${json}\n")
