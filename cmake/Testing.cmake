# GoogleTest built from Debian's sources with the project's compiler. Each test
# executable is one ctest entry: every start of Wine costs time.
set(ZK_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
if(EXISTS "${ZK_GTEST_SOURCE_DIR}/CMakeLists.txt")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${ZK_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()

# zk_add_test(NAME name SOURCES ... LIBS ... [LABELS ...] [DRIVER command ...])
# With DRIVER the ctest entry runs `command ... <test exe> --gtest_color=no`:
# a script that sets up what the tests need (a local server, say) and starts
# the executable through scripts/wine-run itself.
function(zk_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;DRIVER" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main zk_options)
  if(T_DRIVER)
    add_test(NAME ${T_NAME} COMMAND ${T_DRIVER} $<TARGET_FILE:${T_NAME}> --gtest_color=no)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600)
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
