# The Windows release, `cmake --build <dir> --target package`: gridmoor-VERSION-win32.zip (win64
# from the 64-bit build) holding both programs, optimised and stripped, the readme for players
# and track makers, and the template package for makers. Its text files have CR LF line ends:
# Notepad of older Windows shows LF-only files as one line.
set(release_dir ${PROJECT_SOURCE_DIR}/packaging/windows)
set(GRIDMOOR_VERSION ${PROJECT_VERSION})
foreach(file readme.txt template/install.ini template/readme.txt)
  configure_file(${release_dir}/${file} ${CMAKE_CURRENT_BINARY_DIR}/release/${file}
                 @ONLY NEWLINE_STYLE CRLF)
endforeach()

install(TARGETS gridmoor gridmoor-cli RUNTIME DESTINATION .)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/release/readme.txt DESTINATION .)
install(DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/release/template/ DESTINATION template)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_SYSTEM_NAME win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME gridmoor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
