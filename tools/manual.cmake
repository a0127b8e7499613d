# SPDX-License-Identifier: GPL-3.0-or-later
# The user manual: docs/manual/manual.html rendered to QuillaryManual.pdf next to the
# program, where the Help command looks for it. The renderer is a small Qt tool run on the
# offscreen platform, so the build needs no display.
add_executable(quillary-make-manual ${CMAKE_CURRENT_LIST_DIR}/make-manual.cpp)
target_link_libraries(quillary-make-manual PRIVATE Qt6::Gui)
set_target_properties(quillary-make-manual PROPERTIES AUTOMOC OFF)

# The manual names the version; @PROJECT_VERSION@ in it is filled in from project().
configure_file(${PROJECT_SOURCE_DIR}/docs/manual/manual.html
               ${CMAKE_BINARY_DIR}/manual/manual.html @ONLY)
set(QUILLARY_MANUAL_SOURCE ${CMAKE_BINARY_DIR}/manual/manual.html)

# The manual's pictures, taken from the real windows over a fixed sample database each time
# the program changes; a window that cannot be shown fails the build.
add_executable(quillary-make-manual-shots ${CMAKE_CURRENT_LIST_DIR}/make-manual-shots.cpp)
target_link_libraries(quillary-make-manual-shots PRIVATE quillary_dialogs quillary_print_windows
                      quillary_mainwindow quillary_shell)
set_target_properties(quillary-make-manual-shots PROPERTIES AUTOMOC OFF)
set(QUILLARY_MANUAL_SHOT_NAMES main tools pagesetup printselection preview notemanager
    categories import inserts snippet versions find syncreport)
set(QUILLARY_MANUAL_SHOTS)
foreach(shot IN LISTS QUILLARY_MANUAL_SHOT_NAMES)
  list(APPEND QUILLARY_MANUAL_SHOTS ${CMAKE_BINARY_DIR}/manual/shots/${shot}.png)
endforeach()
add_custom_command(
  OUTPUT ${QUILLARY_MANUAL_SHOTS}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:quillary-make-manual-shots> ${CMAKE_BINARY_DIR}/manual/shots
  DEPENDS quillary-make-manual-shots
  COMMENT "Taking the user manual's pictures of the windows"
  VERBATIM)
set(QUILLARY_MANUAL_PDF ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/QuillaryManual.pdf)
add_custom_command(
  OUTPUT ${QUILLARY_MANUAL_PDF}
  # The renderer's font caches live until exit; leak reports would fail sanitizer builds.
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:quillary-make-manual> ${QUILLARY_MANUAL_SOURCE} ${QUILLARY_MANUAL_PDF}
  DEPENDS quillary-make-manual ${QUILLARY_MANUAL_SOURCE} ${QUILLARY_MANUAL_SHOTS}
  COMMENT "Rendering the user manual QuillaryManual.pdf"
  VERBATIM)
add_custom_target(quillary_manual ALL DEPENDS ${QUILLARY_MANUAL_PDF})
# Installed as documentation; the Help command looks there when it is not beside the program.
install(FILES ${QUILLARY_MANUAL_PDF} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillary)
