# SPDX-License-Identifier: GPL-3.0-or-later
# quillary_help(TARGET NAME): the --help text and the man page of program NAME, both made
# from docs/help/NAME.txt, so the two always say the same. The target includes
# "NAME-help.h" (kHelpText); the man page is installed compressed.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

function(quillary_help target name)
  set(source ${PROJECT_SOURCE_DIR}/docs/help/${name}.txt)
  set(dir ${CMAKE_BINARY_DIR}/help)
  set(header ${dir}/${name}-help.h)
  set(page ${dir}/${name}.1)
  add_custom_command(
    OUTPUT ${header} ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/make-help.py ${source} ${header}
            ${page} ${PROJECT_VERSION}
    DEPENDS ${source} ${PROJECT_SOURCE_DIR}/tools/make-help.py
    COMMENT "Making the help text and man page of ${name}"
    VERBATIM)
  target_sources(${target} PRIVATE ${header})
  target_include_directories(${target} PRIVATE ${dir})
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
