# One launcher executable per values file in QUENLO_TARGETS_DIR (this project's targets/ unless
# the configure step names other folders); adding a launcher is adding such a file.
set(QUENLO_TARGETS_DIR "${CMAKE_SOURCE_DIR}/targets" CACHE STRING
    "Folders (a ;-list) whose values files each make one launcher")
set(launcher_script_template ${CMAKE_SOURCE_DIR}/targets/wrapper-script.sh.in)
include(${CMAKE_CURRENT_LIST_DIR}/launcher_values.cmake)

set(launcher_configs "")
# The tests are this project's: they need its own launchers.
set(building_own_targets FALSE)
foreach(folder IN LISTS QUENLO_TARGETS_DIR)
  get_filename_component(folder "${folder}" ABSOLUTE BASE_DIR "${CMAKE_BINARY_DIR}")
  if(NOT IS_DIRECTORY "${folder}")
    message(FATAL_ERROR "QUENLO_TARGETS_DIR: '${folder}' is not a folder")
  endif()
  if(folder STREQUAL "${CMAKE_SOURCE_DIR}/targets")
    set(building_own_targets TRUE)
  endif()
  file(GLOB configs CONFIGURE_DEPENDS "${folder}/*.cmake")
  list(APPEND launcher_configs ${configs})
endforeach()
# The values every launcher shares are not a launcher of their own.
list(REMOVE_ITEM launcher_configs "${launcher_values_defaults}")

# <name>_config: an object library with the constants of the launcher described by `config`.
function(add_launcher_config config name)
  set(generated ${CMAKE_BINARY_DIR}/generated/${name})
  add_custom_command(
    OUTPUT ${generated}/wrapper_values.inc ${generated}/wrapper-script.sh
           ${generated}/wrapper_values.json
    COMMAND ${CMAKE_COMMAND} -DCONFIG=${config} -DTEMPLATE=${launcher_script_template}
            -DOUTPUT_DIR=${generated} -P ${CMAKE_SOURCE_DIR}/cmake/generate_wrapper_values.cmake
    DEPENDS ${config} ${launcher_values_defaults} ${launcher_script_template}
            ${CMAKE_SOURCE_DIR}/cmake/generate_wrapper_values.cmake
            ${CMAKE_SOURCE_DIR}/cmake/launcher_values.cmake
    COMMENT "Generating the constants of ${name}")
  add_library(${name}_config OBJECT ${CMAKE_SOURCE_DIR}/launcher/wrapper_config.cc
                                    ${generated}/wrapper_values.inc)
  target_include_directories(${name}_config PUBLIC ${CMAKE_SOURCE_DIR} PRIVATE ${generated})
endfunction()

# An executable `target` of the launcher code with the constants of launcher `name`.
function(add_launcher_executable target name)
  add_executable(${target})
  target_link_libraries(${target} PRIVATE launcher_main quenlo_support quenlo_platform
                                          ${name}_config)
  if(TARGET quenlo_code_page)
    target_link_libraries(${target} PRIVATE quenlo_code_page)
  endif()
endfunction()

# The launcher that `config` describes, checked when the build is configured; one marked
# launcher_for_tests_only is built with the tests, beside them, and never installed.
function(add_launcher config)
  load_launcher_values("${config}")
  set(name ${launcher_name})
  if(TARGET ${name}_config)
    get_property(other GLOBAL PROPERTY quenlo_config_of_${name})
    message(FATAL_ERROR "values files ${other} and ${config} both make the launcher '${name}'")
  endif()
  set_property(GLOBAL PROPERTY quenlo_config_of_${name} "${config}")
  if(launcher_for_tests_only AND NOT BUILD_TESTING)
    return()
  endif()
  add_launcher_config(${config} ${name})
  add_launcher_executable(${name} ${name})
  if(NOT WIN32 AND NOT QUENLO_SANITIZE)
    # As on Windows, the launcher loads nothing but itself: a launch costs a tenth less time.
    target_link_options(${name} PRIVATE -static)
  endif()
  if(launcher_for_tests_only)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    set_property(GLOBAL APPEND PROPERTY quenlo_test_launchers ${name})
  else()
    set_property(GLOBAL APPEND PROPERTY quenlo_deliverables ${name})
    install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(PROGRAMS ${CMAKE_BINARY_DIR}/generated/${name}/wrapper-script.sh
            DESTINATION ${CMAKE_INSTALL_DATADIR}/quenlo RENAME ${name}.sh)
  endif()
endfunction()

foreach(config IN LISTS launcher_configs)
  add_launcher(${config})
endforeach()
get_property(deliverable_names GLOBAL PROPERTY quenlo_deliverables)
get_property(test_launcher_names GLOBAL PROPERTY quenlo_test_launchers)
set(launcher_names ${deliverable_names} ${test_launcher_names})
if(NOT deliverable_names)
  message(FATAL_ERROR "QUENLO_TARGETS_DIR (${QUENLO_TARGETS_DIR}) holds no values file")
endif()
