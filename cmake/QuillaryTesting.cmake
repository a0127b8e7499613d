# SPDX-License-Identifier: GPL-3.0-or-later
# quillary_add_test(NAME name SOURCES ... LIBS ... [GUI] [TIMEOUT seconds])
# Registers one test executable with ctest. GUI tests run on the offscreen platform so
# ctest needs no display; every test gets a private settings and data folder, a private
# temporary folder and a private D-Bus session bus (tests/support/run-test.sh), so neither
# the order nor the parallelism of tests matters, nor another run of the suite beside this
# one. A run that skipped cases is reported as skipped; with QUILLARY_REQUIRE_TOOLS=1 in
# the environment (scripts/test.sh sets it) a missing third-party tool or bus fails the
# test instead.
#
# Every test runs in UTC, so a result never depends on where the machine stands; the tests
# that deal with dates and times run once more in each of QUILLARY_TEST_ZONES
# (quillary_add_zone_runs), so that local-time faults of the program show.
function(quillary_add_test)
  cmake_parse_arguments(T "GUI" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  # Kept for the runs in other time zones, which may be declared in another folder.
  set_property(GLOBAL PROPERTY QUILLARY_TEST_GUI_${T_NAME} ${T_GUI})
  set_property(GLOBAL PROPERTY QUILLARY_TEST_TIMEOUT_${T_NAME} ${T_TIMEOUT})
  set_property(GLOBAL PROPERTY QUILLARY_TEST_DIR_${T_NAME} ${CMAKE_CURRENT_BINARY_DIR})
  _quillary_register_test(${T_NAME} ${T_NAME} UTC "${T_GUI}" ${T_TIMEOUT} ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# Zones far from UTC on either side, both with daylight saving and with offsets that are
# not whole hours: St. John's -3:30 / -2:30, Chatham +12:45 / +13:45.
set(QUILLARY_TEST_ZONES America/St_Johns Pacific/Chatham)

# Runs an already added test once more in each of QUILLARY_TEST_ZONES, as
# <name>_TZ_<city>. run-test.sh checks that the zone took effect before the test starts.
function(quillary_add_zone_runs name)
  get_property(gui GLOBAL PROPERTY QUILLARY_TEST_GUI_${name})
  get_property(timeout GLOBAL PROPERTY QUILLARY_TEST_TIMEOUT_${name})
  get_property(dir GLOBAL PROPERTY QUILLARY_TEST_DIR_${name})
  foreach(zone ${QUILLARY_TEST_ZONES})
    get_filename_component(city ${zone} NAME)
    _quillary_register_test(${name}_TZ_${city} ${name} ${zone} "${gui}" ${timeout} ${dir})
  endforeach()
endfunction()

function(_quillary_register_test test target zone gui timeout dir)
  add_test(NAME ${test}
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/support/run-test.sh $<TARGET_FILE:${target}>
           WORKING_DIRECTORY ${dir})
  set(env "QT_QPA_PLATFORM=offscreen"
          "LC_ALL=C.UTF-8"
          "TZ=${zone}"
          "QUILLARY_CONFIG_DIR=${CMAKE_BINARY_DIR}/test-home/${test}/config"
          "QUILLARY_DESKTOP_DIR=${CMAKE_BINARY_DIR}/test-home/${test}/desktop"
          "QUILLARY_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
          "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
  if(NOT zone STREQUAL "UTC")
    list(APPEND env "QUILLARY_TEST_ZONE=${zone}")
  endif()
  if(gui)
    # Qt's plugin loaders and font caches keep allocations until exit.
    list(APPEND env "ASAN_OPTIONS=detect_leaks=0")
  endif()
  set_tests_properties(${test} PROPERTIES ENVIRONMENT "${env}" SKIP_RETURN_CODE 77
                       TIMEOUT ${timeout})
endfunction()
