# Turns one values file into launcher_values.cc, the C++ definitions of its launcher's values,
# the constants and the wrapper script's text among them, and writes that text beside them as
# wrapper-script.sh and every value as launcher_values.json, which the tests read.
#   cmake -DVALUES=<values file> [-DNAME=<launcher>] -DVERSION=<version> -DTEMPLATE=<template>
#         -DOUTPUT_DIR=<dir> -P <this file>
cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/launcher_values.cmake")
if(DEFINED NAME)
  load_launcher_values("${VALUES}" "${NAME}")
else()
  load_launcher_values("${VALUES}")
endif()
set_launcher_constants("${VERSION}")

function(write_if_changed path text)
  file(WRITE "${path}.tmp" "${text}")
  file(COPY_FILE "${path}.tmp" "${path}" ONLY_IF_DIFFERENT)
  file(REMOVE "${path}.tmp")
endfunction()

# The script: the template with this launcher's values and the constants, in one pass, so that
# no value is read as a placeholder; the directory lists in ":" form.
string(REGEX REPLACE "\\.exe$" "" PROGRAM_NAME "${target_program_file}")
set(TARGET_PROGRAM_FILE "${target_program_file}")
list(JOIN program_dirs ":" PROGRAM_DIRS)
list(JOIN library_dirs ":" LIBRARY_DIRS)
list(TRANSFORM notinst_deplibs PREPEND " ")
list(JOIN notinst_deplibs "" notinst_deplibs)
set(NOTINST_DEPLIBS "${notinst_deplibs}")
string(REGEX REPLACE "\n$" "" BANNER "${version_banner}")
set(OPTION_PREFIX "${option_prefix}")
set(DEBUG_OPTION "${debug_option}")
set(DUMP_SCRIPT_OPTION "${dump_script_option}")
set(SCRIPT_MAGIC "${script_magic}")
configure_file("${TEMPLATE}" "${OUTPUT_DIR}/wrapper-script.sh" @ONLY NEWLINE_STYLE UNIX)

foreach(list_field library_dirs program_dirs)
  list(JOIN ${list_field} ";" joined)
  set(${list_field} "${joined};")
endforeach()

cmake_path(GET VALUES FILENAME values_name)
# Definitions of what launcher/launcher_values.h and support/diagnostics.h declare, made extern
# here, so that the file needs neither header: it is compiled in a user's project too.
set(text "// Generated from ${values_name}; edit that file instead.\n")
string_literal(json_name "${launcher_name}")
set(json "{\"name\": ${json_name}}")
foreach(field IN LISTS launcher_value_fields launcher_constants)
  string_literal(literal "${${field}}")
  string(JSON json SET "${json}" "${field}" "${literal}")
  if(field STREQUAL "notinst_deplibs")
    continue()  # the script's alone
  endif()
  set(attributes "")
  if(field STREQUAL "wrapper_marker")
    # Nothing reads the marker, yet it must stay in the image.
    set(attributes "[[gnu::used]] ")
  endif()
  string(APPEND text "${attributes}extern const char ${field}[] = ${literal};\n")
endforeach()

# The script as bytes: it is full of quotes and backslashes that a string literal would escape.
# Each is a character literal, which holds a byte from 0x80 on as well (a directory beyond ASCII).
file(READ "${OUTPUT_DIR}/wrapper-script.sh" script_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," script_bytes "${script_hex}")
string(REGEX REPLACE "(('[^']*',){12})" "\\1\n" script_bytes "${script_bytes}")
string(APPEND text "extern const char wrapper_script_text[] = {\n${script_bytes}'\\0'};\n")

write_if_changed("${OUTPUT_DIR}/launcher_values.cc" "${text}")
write_if_changed("${OUTPUT_DIR}/launcher_values.json" "${json}\n")
