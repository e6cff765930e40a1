# What the install step installs beside the launchers, and the ZIP of it all: the licence and the
# README, the CMake package with quenlo_add_launcher for a user's own project, and a ZIP that two
# builds of one commit make byte for byte alike, with its SHA256SUMS.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/quenlo)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${doc_dir})

# The package: the launcher's code as object libraries, and what makes a launcher of a values
# file. It holds code for this build's platform only.
set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/quenlo)
install(TARGETS ${launcher_code} EXPORT quenlo-targets
        OBJECTS DESTINATION ${CMAKE_INSTALL_LIBDIR}/quenlo)
install(EXPORT quenlo-targets NAMESPACE quenlo:: DESTINATION ${package_dir})
include(CMakePackageConfigHelpers)
set(QUENLO_PACKAGE_FOR_WINDOWS ${WIN32})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/quenloConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/quenloConfig.cmake
                              INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/quenloConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/quenloConfig.cmake ${PROJECT_BINARY_DIR}/quenloConfigVersion.cmake
              ${PROJECT_SOURCE_DIR}/cmake/add_launcher.cmake
              ${PROJECT_SOURCE_DIR}/cmake/launcher_values.cmake
              ${PROJECT_SOURCE_DIR}/cmake/generate_launcher_values.cmake
              ${PROJECT_SOURCE_DIR}/targets/wrapper-script.sh.in
        DESTINATION ${package_dir})

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quenlo-launchers)
if(WIN32)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_SYSTEM_NAME ${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME}")
set(CPACK_STRIP_FILES TRUE)
# CPack's ZIP records the packing user and, in its DOS times, the time zone: the script writes
# it again in a fixed form and the SHA256SUMS beside it.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/reproducible_package.cmake)
set(CPACK_QUENLO_PYTHON ${Python3_EXECUTABLE})
set(CPACK_QUENLO_SOURCE_DIR ${PROJECT_SOURCE_DIR})
include(CPack)
