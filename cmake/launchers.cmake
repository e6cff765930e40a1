# One launcher executable per file of targets/; adding a launcher is adding such a file.
file(GLOB launcher_configs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/targets/*.cmake)
list(FILTER launcher_configs EXCLUDE REGEX "/defaults\\.cmake$")
set(launcher_defaults ${CMAKE_SOURCE_DIR}/targets/defaults.cmake)
set(launcher_script_template ${CMAKE_SOURCE_DIR}/targets/wrapper-script.sh.in)
include(${CMAKE_CURRENT_LIST_DIR}/wrapper_fields.cmake)

# <name>_config: an object library with the constants of the launcher described by `config`.
function(add_launcher_config config)
  get_filename_component(name ${config} NAME_WLE)
  set(generated ${CMAKE_BINARY_DIR}/generated/${name})
  add_custom_command(
    OUTPUT ${generated}/wrapper_values.inc ${generated}/wrapper-script.sh
           ${generated}/wrapper_values.json
    COMMAND ${CMAKE_COMMAND} -DDEFAULTS=${launcher_defaults} -DCONFIG=${config}
            -DTEMPLATE=${launcher_script_template} -DOUTPUT_DIR=${generated}
            -P ${CMAKE_SOURCE_DIR}/cmake/generate_wrapper_values.cmake
    DEPENDS ${config} ${launcher_defaults} ${launcher_script_template}
            ${CMAKE_SOURCE_DIR}/cmake/generate_wrapper_values.cmake
            ${CMAKE_SOURCE_DIR}/cmake/wrapper_fields.cmake
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
endfunction()

# The launcher executable; one marked launcher_for_tests_only is built with the tests, beside them.
function(add_launcher config)
  get_filename_component(name ${config} NAME_WLE)
  include(${config})
  if(launcher_for_tests_only AND NOT BUILD_TESTING)
    return()
  endif()
  add_launcher_config(${config})
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
  endif()
endfunction()

foreach(config IN LISTS launcher_configs)
  add_launcher(${config})
endforeach()
get_property(deliverable_names GLOBAL PROPERTY quenlo_deliverables)
get_property(test_launcher_names GLOBAL PROPERTY quenlo_test_launchers)
set(launcher_names ${deliverable_names} ${test_launcher_names})
