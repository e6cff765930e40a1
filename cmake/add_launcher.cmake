# quenlo_add_launcher(<name> VALUES <values file>): a launcher executable <name> built from a
# values file, with its wrapper script, in the caller's build tree. The same in this project, in
# a project that pulls it in with add_subdirectory or FetchContent, and in one that finds the
# installed package with find_package(quenlo).
#
# Whoever includes this file first records, as global properties, the version that the launchers
# report (quenlo_version) and the wrapper script's template (quenlo_script_template); the
# object libraries of the launcher's code are the targets quenlo::main, quenlo::support,
# quenlo::platform and, on Windows, quenlo::code_page.
set_property(GLOBAL PROPERTY quenlo_module_dir "${CMAKE_CURRENT_LIST_DIR}")

# A launcher loads nothing but itself: linked statically, as every program of the Windows build
# is (a launch on the host costs a tenth less time), but where the sanitizers need their shared
# runtime; on Windows without a link time in its header, so that two builds of one commit are
# byte-identical.
function(quenlo_link_as_launchers_are target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -Wl,--no-insert-timestamp)
  elseif(NOT QUENLO_SANITIZE)
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()

# The launcher's code, linked into `target`, which holds the values of one launcher.
function(quenlo_link_launcher_code target)
  target_link_libraries(${target} PRIVATE quenlo::main quenlo::support quenlo::platform)
  if(TARGET quenlo::code_page)
    target_link_libraries(${target} PRIVATE quenlo::code_page)
  endif()
endfunction()

# Checks the values file now, as the configure step runs, and generates its launcher's values as
# C++, its wrapper script and its values for the tests into `generated` when the build runs.
function(quenlo_generate_launcher_values name values_file generated)
  get_property(module_dir GLOBAL PROPERTY quenlo_module_dir)
  get_property(version GLOBAL PROPERTY quenlo_version)
  get_property(template GLOBAL PROPERTY quenlo_script_template)
  include("${module_dir}/launcher_values.cmake")
  load_launcher_values("${values_file}" "${name}")
  cmake_path(REPLACE_FILENAME values_file "${launcher_folder_defaults}"
             OUTPUT_VARIABLE folder_defaults)
  set(folder_defaults_dependency "")
  if(EXISTS "${folder_defaults}")
    set(folder_defaults_dependency "${folder_defaults}")
  endif()
  add_custom_command(
    OUTPUT ${generated}/launcher_values.cc ${generated}/wrapper-script.sh
           ${generated}/launcher_values.json
    COMMAND ${CMAKE_COMMAND} -DVALUES=${values_file} -DNAME=${name} -DVERSION=${version}
            -DTEMPLATE=${template} -DOUTPUT_DIR=${generated}
            -P ${module_dir}/generate_launcher_values.cmake
    DEPENDS ${values_file} ${folder_defaults_dependency} ${template}
            ${module_dir}/generate_launcher_values.cmake ${module_dir}/launcher_values.cmake
    COMMENT "Generating the values of ${name}")
endfunction()

function(quenlo_add_launcher name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "VALUES" "")
  if(NOT arg_VALUES OR arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "quenlo_add_launcher(${name} VALUES <values file>): "
                        "unexpected arguments '${arg_UNPARSED_ARGUMENTS}' or no VALUES")
  endif()
  cmake_path(ABSOLUTE_PATH arg_VALUES BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE
             OUTPUT_VARIABLE values_file)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated/${name})
  quenlo_generate_launcher_values(${name} "${values_file}" ${generated})
  add_executable(${name} ${generated}/launcher_values.cc)
  quenlo_link_launcher_code(${name})
  quenlo_link_as_launchers_are(${name})
  # For install(PROGRAMS $<TARGET_PROPERTY:<name>,QUENLO_WRAPPER_SCRIPT> ...).
  set_target_properties(${name} PROPERTIES QUENLO_WRAPPER_SCRIPT ${generated}/wrapper-script.sh)
endfunction()
