# SPDX-License-Identifier: GPL-3.0-or-later
# The categories editor, find window and note manager, driven through the real main window.
set(QUILLARY_NOTEWINDOW_TEST_LIBS quillary_dialogs quillary_mainwindow_testsupport)
foreach(name tst_frmEditCategories tst_frmFindList tst_frmSortNotes)
  quillary_add_test(NAME ${name} SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp
                    LIBS ${QUILLARY_NOTEWINDOW_TEST_LIBS} GUI)
endforeach()
# The search and ordering helpers on their own.
quillary_add_test(NAME tst_NoteManagementModels
                  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_NoteManagementModels.cpp
                  LIBS ${QUILLARY_NOTEWINDOW_TEST_LIBS} GUI)
