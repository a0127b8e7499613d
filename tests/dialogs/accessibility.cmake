# SPDX-License-Identifier: GPL-3.0-or-later
# Every window read as a screen reader reads it: names and Tab order.
quillary_add_test(NAME tst_Accessibility SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_Accessibility.cpp
                  LIBS quillary_dialogs quillary_mainwindow_testsupport GUI)
