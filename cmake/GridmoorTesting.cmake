# gridmoor_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest program, registered with ctest as one test. In the Windows build ctest runs it
# through Wine (the toolchain's CMAKE_CROSSCOMPILING_EMULATOR).
function(gridmoor_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
endfunction()
