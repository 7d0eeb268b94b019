# `docs`: the API reference from the public headers, with Doxygen.
find_package(Doxygen)
if(DOXYGEN_FOUND)
  get_property(headers GLOBAL PROPERTY GXRM_PUBLIC_HEADERS)
  # The headers as hosts include them (the build tree's GXRMparser/ links),
  # so that every page says #include <GXRMparser/...>.
  list(TRANSFORM headers PREPEND ${GXRM_INCLUDE_DIR}/GXRMparser/)
  list(APPEND headers ${GXRM_INCLUDE_DIR}/GXRMparser/core/GXRMversion.h ${PROJECT_SOURCE_DIR}/docs/mainpage.dox)
  list(JOIN headers " " GXRM_DOCS_INPUT)
  set(GXRM_DOCS_DIR ${PROJECT_BINARY_DIR}/docs)
  configure_file(docs/Doxyfile.in ${GXRM_DOCS_DIR}/Doxyfile @ONLY)
  add_custom_target(docs
    COMMAND ${DOXYGEN_EXECUTABLE} ${GXRM_DOCS_DIR}/Doxyfile
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "API reference in ${GXRM_DOCS_DIR}/html/index.html"
    VERBATIM)
endif()
