# Debian packages from `cpack -G DEB`: the shared library, the development
# files, the tool and, when it is built, the Python package. Configure with
# -DCMAKE_INSTALL_PREFIX=/usr for Debian's multiarch library directory.
set(CPACK_PACKAGE_NAME gxrmparser)
set(CPACK_PACKAGE_VENDOR "GXRMparser team")
set(CPACK_PACKAGE_CONTACT "GXRMparser team <gxrmparser@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The tool links the library of this build; its package dependency is set below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(GXRM_LIB_PACKAGE libgxrmparser${PROJECT_VERSION_MAJOR})
set(GXRM_SAME_VERSION "${GXRM_LIB_PACKAGE} (= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_LIB_PACKAGE_NAME ${GXRM_LIB_PACKAGE})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/triggers)
set(CPACK_DEBIAN_LIB_DESCRIPTION "GXRM building-model exchange files - shared library
Reads and writes the GXRM exchange file, an XML document carrying a
building model. This package holds the shared library and its
configuration file GXRMconfig.ini.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libgxrmparser-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS ${GXRM_SAME_VERSION})
set(CPACK_DEBIAN_DEV_DESCRIPTION "GXRM building-model exchange files - development files
Headers, the CMake package (find_package(GXRMparser)) and the pkg-config
file (GXRMparser) for building hosts of the GXRMparser library.")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME gxrm)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS ${GXRM_SAME_VERSION})
set(CPACK_DEBIAN_TOOL_DESCRIPTION "GXRM building-model exchange files - command-line tool
gxrm looks into, checks, compares and writes GXRM files: sample, info,
dump, build, check, rename, catalogue and more.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-gxrm)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "${GXRM_SAME_VERSION}, python3")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "GXRM building-model exchange files - Python 3 package
The Python module gxrm, a binding of the GXRMparser library.")

set(CPACK_COMPONENTS_ALL lib dev)
if(TARGET gxrm AND GXRM_BUILD_TOOLS)
  list(APPEND CPACK_COMPONENTS_ALL tool)
endif()
if(GXRM_BUILD_PYTHON)
  list(APPEND CPACK_COMPONENTS_ALL python)
endif()

# Native packages carry their own changelog.
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  set(changelog ${PROJECT_BINARY_DIR}/debian/${package}/changelog)
  configure_file(cmake/changelog.in ${changelog} @ONLY)
  add_custom_command(OUTPUT ${changelog}.gz COMMAND gzip -9nf -k ${changelog} DEPENDS ${changelog})
  add_custom_target(gxrm_changelog_${component} ALL DEPENDS ${changelog}.gz)
  install(FILES ${changelog}.gz DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
endforeach()

include(CPack)
