# What `cmake --install` puts under a prefix: the libraries, the public headers, the `zentrik`
# program, the CMake package (find_package(Zentrik), targets Zentrik::FOLDER) and zentrik.pc.
include(CMakePackageConfigHelpers)

set(ZENTRIK_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Zentrik)
list(JOIN ZENTRIK_FFMPEG_MODULES " " ZENTRIK_FFMPEG_MODULES_TEXT)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/zentrik DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS zentrik EXPORT ZentrikTargets RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT ZentrikTargets NAMESPACE Zentrik:: DESTINATION ${ZENTRIK_PACKAGE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/ZentrikConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/ZentrikConfig.cmake
                              INSTALL_DESTINATION ${ZENTRIK_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZentrikConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ZentrikConfig.cmake
              ${PROJECT_BINARY_DIR}/ZentrikConfigVersion.cmake
        DESTINATION ${ZENTRIK_PACKAGE_DIR})

# zentrik.pc links every library, those above first, so that a plain linker finds each symbol;
# its prefix is found from where the file lies, so the prefix given to `cmake --install` holds.
get_property(libraries GLOBAL PROPERTY ZENTRIK_LIBRARIES)
list(REVERSE libraries)
list(TRANSFORM libraries PREPEND "-l")
list(JOIN libraries " " ZENTRIK_PC_LIBS)
file(RELATIVE_PATH ZENTRIK_PC_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
configure_file(${CMAKE_CURRENT_LIST_DIR}/zentrik.pc.in ${PROJECT_BINARY_DIR}/zentrik.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zentrik.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
