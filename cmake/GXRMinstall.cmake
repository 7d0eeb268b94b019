# Installs the library, its headers, the CMake package, the pkg-config file
# and the default configuration file beside the library.
include(CMakePackageConfigHelpers)

install(TARGETS GXRMparser EXPORT GXRMparserTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev)
install(FILES cmake/GXRMconfig.ini DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib)

# Public headers only, each in its folder below include/GXRMparser/.
get_property(GXRM_PUBLIC_HEADERS GLOBAL PROPERTY GXRM_PUBLIC_HEADERS)
foreach(rel IN LISTS GXRM_PUBLIC_HEADERS)
  get_filename_component(dir GXRMparser/${rel} DIRECTORY)
  install(FILES ${rel} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${dir} COMPONENT dev)
endforeach()
install(FILES ${GXRM_INCLUDE_DIR}/GXRMparser/core/GXRMversion.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/GXRMparser/core COMPONENT dev)

set(GXRM_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/GXRMparser)
install(EXPORT GXRMparserTargets NAMESPACE GXRMparser:: DESTINATION ${GXRM_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(cmake/GXRMparserConfig.cmake.in
  ${PROJECT_BINARY_DIR}/GXRMparserConfig.cmake INSTALL_DESTINATION ${GXRM_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/GXRMparserConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/GXRMparserConfig.cmake
  ${PROJECT_BINARY_DIR}/GXRMparserConfigVersion.cmake DESTINATION ${GXRM_CMAKE_DIR} COMPONENT dev)

# The pkg-config file finds the prefix from its own place, so copies relocate.
file(RELATIVE_PATH GXRM_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
configure_file(cmake/GXRMparser.pc.in ${PROJECT_BINARY_DIR}/GXRMparser.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/GXRMparser.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
