# zk_add_benchmark(NAME name SOURCES ... LIBS ...): a benchmark executable that
# prints `name: value unit` lines; ctest only smoke-runs it (--smoke).
function(zk_add_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT ZK_BUILD_BENCHMARKS)
    return()
  endif()
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} zk_options)
  if(ZK_BUILD_TESTS)
    add_test(NAME ${B_NAME}_smoke COMMAND ${B_NAME} --smoke)
    set_tests_properties(${B_NAME}_smoke PROPERTIES TIMEOUT 600 LABELS bench)
  endif()
endfunction()
