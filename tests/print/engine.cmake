# SPDX-License-Identifier: GPL-3.0-or-later
# The print layout engine and whole jobs to PDF: on a PDF writer, and on the program's
# printer with the control the print windows give it (PrinterControl).
quillary_add_test(NAME tst_clsPrintData SOURCES tst_clsPrintData.cpp PrintTestNotes.h
                  LIBS quillary_print Qt6::Test GUI)
quillary_add_test(NAME tst_PrintPdf SOURCES tst_PrintPdf.cpp PrintTestNotes.h
                  LIBS quillary_print quillary_print_windows Qt6::Test GUI)
if(TARGET quillary-pdb)
  quillary_add_test(NAME tst_PdbPrint SOURCES tst_PdbPrint.cpp PrintTestNotes.h
                    LIBS quillary_storage Qt6::Test)
  target_compile_definitions(tst_PdbPrint PRIVATE QUILLARY_PDB_EXE="$<TARGET_FILE:quillary-pdb>")
  add_dependencies(tst_PdbPrint quillary-pdb)
endif()
