# SPDX-License-Identifier: GPL-3.0-or-later
# quillary_add_test(NAME name SOURCES ... LIBS ... [GUI] [TIMEOUT seconds])
# Registers one test executable with ctest. GUI tests run on the offscreen platform so
# ctest needs no display; every test gets a private settings and data folder and a
# private D-Bus session bus (tests/support/run-test.sh), so neither the order nor the
# parallelism of tests matters. A run that skipped cases is reported as skipped; with
# QUILLARY_REQUIRE_TOOLS=1 in the environment (scripts/test.sh sets it) a missing
# third-party tool or bus fails the test instead.
function(quillary_add_test)
  cmake_parse_arguments(T "GUI" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME}
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/support/run-test.sh $<TARGET_FILE:${T_NAME}>)
  set(env "QT_QPA_PLATFORM=offscreen"
          "LC_ALL=C.UTF-8"
          "QUILLARY_CONFIG_DIR=${CMAKE_BINARY_DIR}/test-home/${T_NAME}/config"
          "QUILLARY_DESKTOP_DIR=${CMAKE_BINARY_DIR}/test-home/${T_NAME}/desktop"
          "QUILLARY_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
          "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
  if(T_GUI)
    # Qt's plugin loaders and font caches keep allocations until exit.
    list(APPEND env "ASAN_OPTIONS=detect_leaks=0")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" SKIP_RETURN_CODE 77)
  if(T_TIMEOUT)
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
  else()
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 300)
  endif()
endfunction()
