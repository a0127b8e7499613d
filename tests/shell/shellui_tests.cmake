# SPDX-License-Identifier: GPL-3.0-or-later
# Options dialog, about box / splash screen, toolbar icons and the user manual.
quillary_add_test(NAME tst_frmOptions SOURCES tst_frmOptions.cpp
                  LIBS quillary_shell quillary_testsupport Qt6::Test GUI)
quillary_add_test(NAME tst_frmSplash SOURCES tst_frmSplash.cpp
                  LIBS quillary_shell quillary_testsupport quillary_version Qt6::Test GUI)
quillary_add_test(NAME tst_ShellResources SOURCES tst_ShellResources.cpp
                  LIBS quillary_shell Qt6::Test Qt6::Svg GUI)
# Reads the QuillaryManual.pdf that the build renders next to the test programs (the same
# folder the Help command looks in); checks its text with poppler's pdftotext when present.
quillary_add_test(NAME tst_manual SOURCES tst_manual.cpp LIBS Qt6::Test)
add_dependencies(tst_manual quillary_manual)
