# SPDX-License-Identifier: GPL-3.0-or-later
# The insert database windows and the import/export dialogs, through the real main window.
quillary_add_test(NAME tst_InsertWindows SOURCES tst_InsertWindows.cpp
                  LIBS quillary_dialogs quillary_mainwindow_testsupport GUI)
quillary_add_test(NAME tst_ImportDialogs SOURCES tst_ImportDialogs.cpp
                  LIBS quillary_dialogs quillary_mainwindow_testsupport GUI)
quillary_add_test(NAME tst_InsertSnippet SOURCES tst_InsertSnippet.cpp
                  LIBS quillary_dialogs quillary_mainwindow_testsupport GUI)
