# One launcher executable per file of targets/; adding a launcher is adding such a file.
file(GLOB launcher_configs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/targets/*.cmake)
list(FILTER launcher_configs EXCLUDE REGEX "/defaults\\.cmake$")
set(launcher_defaults ${CMAKE_SOURCE_DIR}/targets/defaults.cmake)
set(launcher_names "")
foreach(config IN LISTS launcher_configs)
  get_filename_component(name ${config} NAME_WLE)
  list(APPEND launcher_names ${name})
endforeach()

# <name>_config: an object library with the constants of the launcher described by `config`.
function(add_launcher_config config)
  get_filename_component(name ${config} NAME_WLE)
  set(generated ${CMAKE_BINARY_DIR}/generated/${name})
  add_custom_command(
    OUTPUT ${generated}/wrapper_values.inc
    COMMAND ${CMAKE_COMMAND} -DDEFAULTS=${launcher_defaults} -DCONFIG=${config}
            -DOUTPUT=${generated}/wrapper_values.inc
            -P ${CMAKE_SOURCE_DIR}/cmake/generate_wrapper_values.cmake
    DEPENDS ${config} ${launcher_defaults} ${CMAKE_SOURCE_DIR}/cmake/generate_wrapper_values.cmake
    COMMENT "Generating the constants of ${name}")
  add_library(${name}_config OBJECT ${CMAKE_SOURCE_DIR}/launcher/wrapper_config.cc
                                    ${generated}/wrapper_values.inc)
  target_include_directories(${name}_config PUBLIC ${CMAKE_SOURCE_DIR} PRIVATE ${generated})
endfunction()

function(add_launcher config)
  get_filename_component(name ${config} NAME_WLE)
  add_launcher_config(${config})
  add_executable(${name})
  target_link_libraries(${name} PRIVATE launcher_main quenlo_support quenlo_platform
                                        ${name}_config)
endfunction()
