# This project's launchers: one per values file in QUENLO_TARGETS_DIR (this project's targets/
# unless the configure step names other folders); adding a launcher is adding such a file.
# A PATH, so that a relative folder given with -D is taken from where cmake runs.
if(PROJECT_IS_TOP_LEVEL)
  set(default_targets_dir "${PROJECT_SOURCE_DIR}/targets")
else()
  # A project that pulls this one in makes launchers of its own with quenlo_add_launcher.
  set(default_targets_dir "")
endif()
set(QUENLO_TARGETS_DIR "${default_targets_dir}" CACHE PATH
    "Folders (a ;-list) whose values files each make one launcher")
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

# The launcher that `values_file` describes; one marked launcher_for_tests_only is built with
# the tests, beside them, and never installed.
function(add_launcher values_file)
  load_launcher_values("${values_file}")
  set(name ${launcher_name})
  get_property(other GLOBAL PROPERTY quenlo_values_of_${name})
  if(other)
    message(FATAL_ERROR "values files ${other} and ${values_file} both make the launcher '${name}'")
  endif()
  set_property(GLOBAL PROPERTY quenlo_values_of_${name} "${values_file}")
  if(launcher_for_tests_only AND NOT BUILD_TESTING)
    return()
  endif()
  quenlo_add_launcher(${name} VALUES ${values_file})
  if(launcher_for_tests_only)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
    set_property(GLOBAL APPEND PROPERTY quenlo_test_launchers ${name})
  else()
    set_property(GLOBAL APPEND PROPERTY quenlo_deliverables ${name})
    if(QUENLO_INSTALL)
      install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
      install(PROGRAMS ${PROJECT_BINARY_DIR}/generated/${name}/wrapper-script.sh
              DESTINATION ${CMAKE_INSTALL_DATADIR}/quenlo RENAME ${name}.sh)
    endif()
  endif()
endfunction()

if(QUENLO_INSTALL AND WIN32)
  # strip writes the time of day into a PE header unless SOURCE_DATE_EPOCH gives it another: the
  # installed launchers keep the 0 they were linked with. What the variable held comes back after.
  install(CODE [[
    set(quenlo_date_epoch "$ENV{SOURCE_DATE_EPOCH}")
    set(ENV{SOURCE_DATE_EPOCH} 0)
  ]])
endif()
foreach(values_file IN LISTS launcher_values_files)
  add_launcher(${values_file})
endforeach()
if(QUENLO_INSTALL AND WIN32)
  install(CODE [[
    if(quenlo_date_epoch STREQUAL "")
      unset(ENV{SOURCE_DATE_EPOCH})
    else()
      set(ENV{SOURCE_DATE_EPOCH} "${quenlo_date_epoch}")
    endif()
  ]])
endif()
get_property(deliverable_names GLOBAL PROPERTY quenlo_deliverables)
get_property(test_launcher_names GLOBAL PROPERTY quenlo_test_launchers)
if(NOT deliverable_names AND QUENLO_TARGETS_DIR)
  message(FATAL_ERROR "QUENLO_TARGETS_DIR (${QUENLO_TARGETS_DIR}) holds no values file")
endif()
