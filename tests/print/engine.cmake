# The print layout engine, PDF output and the print routine of the main window.
quillary_add_test(NAME tst_clsPrintData SOURCES tst_clsPrintData.cpp PrintTestNotes.h
                  LIBS quillary_print Qt6::Test GUI)
quillary_add_test(NAME tst_PrintPdf SOURCES tst_PrintPdf.cpp PrintTestNotes.h
                  LIBS quillary_print Qt6::Test GUI)
quillary_add_test(NAME tst_PrintNotesMain SOURCES tst_PrintNotesMain.cpp
                  LIBS quillary_mainwindow_testsupport GUI)
