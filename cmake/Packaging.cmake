# The Debian package of gridmoor-cli (Linux build): `cmake --build <dir> --target package`.
# It holds the program (stripped), its man page made from its own --help, and bash and zsh
# completion.
include(GNUInstallDirs)

find_program(HELP2MAN help2man REQUIRED)
set(man_page ${CMAKE_CURRENT_BINARY_DIR}/gridmoor-cli.1)
add_custom_command(
  OUTPUT ${man_page}.gz
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:gridmoor-cli>
          -DOUTPUT=${CMAKE_CURRENT_BINARY_DIR}/gridmoor-cli.h2m
          -P ${PROJECT_SOURCE_DIR}/cmake/ManCommands.cmake
  COMMAND ${HELP2MAN} --no-info --section=1
          "--name=install GPL track packages and keep the season files in order"
          --include=${CMAKE_CURRENT_BINARY_DIR}/gridmoor-cli.h2m
          --output=${man_page} $<TARGET_FILE:gridmoor-cli>
  COMMAND gzip -9nf ${man_page}
  DEPENDS gridmoor-cli ${PROJECT_SOURCE_DIR}/cmake/ManCommands.cmake
  COMMENT "Writing the man page of gridmoor-cli"
  VERBATIM)
add_custom_target(gridmoor-cli-man ALL DEPENDS ${man_page}.gz)

install(TARGETS gridmoor-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/cli/completion/gridmoor-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME gridmoor-cli)
install(FILES ${PROJECT_SOURCE_DIR}/cli/completion/_gridmoor-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gridmoor-cli)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Gridmoor developers <gridmoor@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Installs GPL track packages from the command line, straight from the downloads")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "gridmoor-cli installs add-on tracks into the racing game GPL \
run under Wine: package folders, downloaded archives (zip, 7z, rar, self-extracting) and folders \
of them. It also checks packages and keeps the game's season files in order.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# Only the program's own files: no test or library targets are installed.
include(CPack)
