# SPDX-License-Identifier: GPL-3.0-or-later
# The printing windows: opening the print selection over 5000 notes, turning a preview
# page. They reuse the test fixture (a real frmMain over temporary folders).
if(TARGET quillary_mainwindow_testsupport)
  add_executable(bench_print_windows bench_print_windows.cpp)
  target_link_libraries(bench_print_windows PRIVATE quillary_print_windows
                        quillary_mainwindow_testsupport benchmark::benchmark)
  target_include_directories(bench_print_windows PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
