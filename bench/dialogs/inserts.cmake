# SPDX-License-Identifier: GPL-3.0-or-later
# Opening the insert database manager and the insert editor (reuses the main window test
# fixture, so it needs the tests).
if(TARGET quillary_mainwindow_testsupport)
  add_executable(bench_inserts bench_inserts.cpp)
  target_link_libraries(bench_inserts PRIVATE quillary_dialogs quillary_mainwindow_testsupport
                        benchmark::benchmark)
endif()
