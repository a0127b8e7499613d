# SPDX-License-Identifier: GPL-3.0-or-later
# Earlier versions and the report of what a reread changed, through the real main window.
quillary_add_test(NAME tst_Versions SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_Versions.cpp
                  LIBS quillary_dialogs quillary_mainwindow_testsupport GUI)
