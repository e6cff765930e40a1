# One launcher executable per values file in QUENLO_TARGETS_DIR (this project's targets/ unless
# the configure step names other folders); adding a launcher is adding such a file.
# A PATH, so that a relative folder given with -D is taken from where cmake runs.
set(QUENLO_TARGETS_DIR "${PROJECT_SOURCE_DIR}/targets" CACHE PATH
    "Folders (a ;-list) whose values files each make one launcher")
set(launcher_script_template ${PROJECT_SOURCE_DIR}/targets/wrapper-script.sh.in)
include(${CMAKE_CURRENT_LIST_DIR}/launcher_values.cmake)

set(launcher_values_files "")
# The tests are this project's: they need its own launchers.
set(building_own_targets FALSE)
foreach(folder IN LISTS QUENLO_TARGETS_DIR)
  cmake_path(ABSOLUTE_PATH folder BASE_DIRECTORY "${PROJECT_BINARY_DIR}" NORMALIZE)
  string(REGEX REPLACE "(.)/$" "\\1" folder "${folder}")
  if(NOT IS_DIRECTORY "${folder}")
    message(FATAL_ERROR "QUENLO_TARGETS_DIR: '${folder}' is not a folder")
  endif()
  if(folder STREQUAL "${PROJECT_SOURCE_DIR}/targets")
    set(building_own_targets TRUE)
  endif()
  file(GLOB files CONFIGURE_DEPENDS "${folder}/*.cmake")
  # A folder's defaults.cmake holds what its launchers share; it is no launcher of its own.
  list(REMOVE_ITEM files "${folder}/${launcher_folder_defaults}")
  list(APPEND launcher_values_files ${files})
endforeach()

# <name>_values: an object library with the values of the launcher that `values_file` describes.
function(add_launcher_values values_file name)
  set(generated ${PROJECT_BINARY_DIR}/generated/${name})
  cmake_path(REPLACE_FILENAME values_file "${launcher_folder_defaults}"
             OUTPUT_VARIABLE folder_defaults)
  set(folder_defaults_dependency "")
  if(EXISTS "${folder_defaults}")
    set(folder_defaults_dependency "${folder_defaults}")
  endif()
  add_custom_command(
    OUTPUT ${generated}/launcher_values.inc ${generated}/wrapper-script.sh
           ${generated}/launcher_values.json
    COMMAND ${CMAKE_COMMAND} -DVALUES=${values_file} -DVERSION=${PROJECT_VERSION}
            -DTEMPLATE=${launcher_script_template} -DOUTPUT_DIR=${generated}
            -P ${PROJECT_SOURCE_DIR}/cmake/generate_launcher_values.cmake
    DEPENDS ${values_file} ${folder_defaults_dependency} ${launcher_script_template}
            ${PROJECT_SOURCE_DIR}/cmake/generate_launcher_values.cmake
            ${PROJECT_SOURCE_DIR}/cmake/launcher_values.cmake
    COMMENT "Generating the values of ${name}")
  add_library(${name}_values OBJECT ${PROJECT_SOURCE_DIR}/launcher/launcher_values.cc
                                    ${generated}/launcher_values.inc)
  target_include_directories(${name}_values PUBLIC ${PROJECT_SOURCE_DIR} PRIVATE ${generated})
endfunction()

# A launcher loads nothing but itself, as every program of the Windows build does: linked
# statically on the host too (a launch costs a tenth less time), but where the sanitizers need
# their shared runtime.
function(link_as_launchers_are target)
  if(NOT WIN32 AND NOT QUENLO_SANITIZE)
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()

# An executable `target` of the launcher code with the values of launcher `name`.
function(add_launcher_executable target name)
  add_executable(${target})
  target_link_libraries(${target} PRIVATE launcher_main quenlo_support quenlo_platform
                                          ${name}_values)
  if(TARGET quenlo_code_page)
    target_link_libraries(${target} PRIVATE quenlo_code_page)
  endif()
endfunction()

# The launcher that `values_file` describes, checked when the build is configured; one marked
# launcher_for_tests_only is built with the tests, beside them, and never installed.
function(add_launcher values_file)
  load_launcher_values("${values_file}")
  set(name ${launcher_name})
  if(TARGET ${name}_values)
    get_property(other GLOBAL PROPERTY quenlo_values_of_${name})
    message(FATAL_ERROR "values files ${other} and ${values_file} both make the launcher '${name}'")
  endif()
  set_property(GLOBAL PROPERTY quenlo_values_of_${name} "${values_file}")
  if(launcher_for_tests_only AND NOT BUILD_TESTING)
    return()
  endif()
  add_launcher_values(${values_file} ${name})
  add_launcher_executable(${name} ${name})
  link_as_launchers_are(${name})
  if(launcher_for_tests_only)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
    set_property(GLOBAL APPEND PROPERTY quenlo_test_launchers ${name})
  else()
    set_property(GLOBAL APPEND PROPERTY quenlo_deliverables ${name})
    install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(PROGRAMS ${PROJECT_BINARY_DIR}/generated/${name}/wrapper-script.sh
            DESTINATION ${CMAKE_INSTALL_DATADIR}/quenlo RENAME ${name}.sh)
  endif()
endfunction()

foreach(values_file IN LISTS launcher_values_files)
  add_launcher(${values_file})
endforeach()
get_property(deliverable_names GLOBAL PROPERTY quenlo_deliverables)
get_property(test_launcher_names GLOBAL PROPERTY quenlo_test_launchers)
set(launcher_names ${deliverable_names} ${test_launcher_names})
if(NOT deliverable_names)
  message(FATAL_ERROR "QUENLO_TARGETS_DIR (${QUENLO_TARGETS_DIR}) holds no values file")
endif()
