# The releases: `cmake --build <dir> --target package`. A Linux build makes the Debian package of
# gridmoor-cli, a Windows build the zip for players (PackagingWindows.cmake).
if(WIN32)
  include(PackagingWindows)
  return()
endif()

# The Debian package holds the program (stripped), its man page made from its own --help, bash
# and zsh completion, and the copyright and changelog Debian's policy asks of every package.
include(GNUInstallDirs)
set(debian_dir ${PROJECT_SOURCE_DIR}/packaging/debian)
set(maintainer "Gridmoor developers <gridmoor-dev@lists.example.org>")

# The changelog's newest entry names the version being packaged; a release bump that forgets it
# would ship a changelog that contradicts the package.
file(STRINGS ${debian_dir}/changelog newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^gridmoor-cli \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/debian/changelog does not start with version ${PROJECT_VERSION}")
endif()

find_program(HELP2MAN help2man REQUIRED)
set(man_page ${CMAKE_CURRENT_BINARY_DIR}/gridmoor-cli.1)
add_custom_command(
  OUTPUT ${man_page}.gz
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:gridmoor-cli>
          -DSECTIONS=${debian_dir}/gridmoor-cli.h2m
          -DOUTPUT=${CMAKE_CURRENT_BINARY_DIR}/gridmoor-cli.h2m
          -DPAGE_PROGRAM=${CMAKE_CURRENT_BINARY_DIR}/man/gridmoor-cli
          -P ${PROJECT_SOURCE_DIR}/cmake/ManCommands.cmake
  COMMAND ${HELP2MAN} --no-info --section=1
          "--name=install GPL track packages and keep the season files in order"
          --include=${CMAKE_CURRENT_BINARY_DIR}/gridmoor-cli.h2m
          --output=${man_page} ${CMAKE_CURRENT_BINARY_DIR}/man/gridmoor-cli
  COMMAND gzip -9nf ${man_page}
  DEPENDS gridmoor-cli ${PROJECT_SOURCE_DIR}/cmake/ManCommands.cmake
          ${debian_dir}/gridmoor-cli.h2m
  COMMENT "Writing the man page of gridmoor-cli"
  VERBATIM)
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog)
add_custom_command(
  OUTPUT ${changelog}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${debian_dir}/changelog ${changelog}
  COMMAND gzip -9nf ${changelog}
  DEPENDS ${debian_dir}/changelog
  VERBATIM)
add_custom_target(gridmoor-cli-man ALL DEPENDS ${man_page}.gz ${changelog}.gz)

set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/gridmoor-cli)
install(TARGETS gridmoor-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${debian_dir}/copyright ${changelog}.gz DESTINATION ${doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/cli/completion/gridmoor-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME gridmoor-cli)
install(FILES ${PROJECT_SOURCE_DIR}/cli/completion/_gridmoor-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)

# gridmoor-cli pack puts the 32-bit Windows program in front of each setup file it writes: the
# package carries the one the i686 build made (scripts/lib.sh names it), where the program looks
# for it (cli/CMakeLists.txt). Data, not a program of this system: not executable here.
set(GRIDMOOR_WINDOWS_PROGRAM_FILE "" CACHE FILEPATH
    "The 32-bit gridmoor.exe the Debian package carries for gridmoor-cli pack")
if(GRIDMOOR_WINDOWS_PROGRAM_FILE)
  install(FILES ${GRIDMOOR_WINDOWS_PROGRAM_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/gridmoor
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
else()
  message(STATUS "GRIDMOOR_WINDOWS_PROGRAM_FILE is not set: the Debian package lacks gridmoor.exe")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gridmoor-cli)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${maintainer}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${maintainer}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "installs GPL track packages from the command line")
# Debian's description lines stay under 80 columns: CPack keeps the line breaks given here.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
gridmoor-cli installs add-on tracks into the racing game GPL run under Wine:
package folders, downloaded archives (zip, 7z, rar, self-extracting) and
folders of them. It also checks packages, packs them into setup files for
track makers to ship, and keeps the game's season files in order: events,
named sets of events, and undo of every change.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# Only the program's own files: no test or library targets are installed.
include(CPack)
