# SPDX-License-Identifier: GPL-3.0-or-later
# Find and the note manager over 5000 notes, on the offscreen platform.
if(TARGET quillary_mainwindow_testsupport)
  add_executable(bench_notemanagement ${CMAKE_CURRENT_SOURCE_DIR}/bench_notemanagement.cpp)
  target_link_libraries(bench_notemanagement PRIVATE quillary_dialogs
                        quillary_mainwindow_testsupport benchmark::benchmark)
endif()
