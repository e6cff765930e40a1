# Run by cpack after it has written the ZIP: writes it again so that two builds of one commit
# give the same bytes, whoever packs it where, and writes SHA256SUMS beside it.
# The time of every entry is SOURCE_DATE_EPOCH when it is set, else the commit's time.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  find_package(Git QUIET)
  if(Git_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${CPACK_QUENLO_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "neither SOURCE_DATE_EPOCH nor a git commit gives the package its time: "
                      "set SOURCE_DATE_EPOCH")
endif()
set(sums "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${CPACK_QUENLO_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/reproducible_zip.py
                          ${package} ${epoch}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "could not write ${package} again")
  endif()
  file(SHA256 ${package} sum)
  cmake_path(GET package FILENAME name)
  string(APPEND sums "${sum}  ${name}\n")
endforeach()
# Where cpack puts the packages once this script has run.
file(WRITE ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS "${sums}")
