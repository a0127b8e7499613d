# SPDX-License-Identifier: GPL-3.0-or-later
# The printing windows: the preview's scrollable picture box, page setup, print selection
# and print preview.
quillary_add_test(NAME tst_ctlScrollablePicBox SOURCES tst_ctlScrollablePicBox.cpp
                  LIBS quillary_draw Qt6::Test GUI)
foreach(t tst_frmPageSetup tst_PrintSelectionPreview)
  quillary_add_test(NAME ${t} SOURCES ${t}.cpp PrintWindowsTestKit.h
                    LIBS quillary_print_windows quillary_mainwindow_testsupport GUI)
endforeach()
