# Installs the gxrm tool with its man page (gzipped) and its bash completion.
install(TARGETS gxrm RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)

set(GXRM_MAN_PAGE ${PROJECT_BINARY_DIR}/man/gxrm.1.gz)
add_custom_command(OUTPUT ${GXRM_MAN_PAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/docs/gxrm.1 > ${GXRM_MAN_PAGE}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/gxrm.1)
add_custom_target(gxrm_man ALL DEPENDS ${GXRM_MAN_PAGE})
install(FILES ${GXRM_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
install(FILES ${PROJECT_SOURCE_DIR}/docs/gxrm.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions RENAME gxrm COMPONENT tool)
