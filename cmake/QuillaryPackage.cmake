# SPDX-License-Identifier: GPL-3.0-or-later
# Desktop integration files and the Debian package (cpack -G DEB).

set(desktop ${PROJECT_SOURCE_DIR}/resources/desktop)
install(FILES ${desktop}/quillary.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop}/org.quillary.Quillary.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${desktop}/quillary-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME quillary.xml)
install(FILES ${PROJECT_SOURCE_DIR}/resources/completion/quillary-pdb
              ${PROJECT_SOURCE_DIR}/resources/completion/quillary-hotsync
              ${PROJECT_SOURCE_DIR}/resources/completion/quillary-sync
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The network HotSync service as a systemd user unit, installed disabled: a person turns it
# on with "systemctl --user enable --now quillary-sync". Debian's user units live in
# /usr/lib/systemd/user whatever the library folder.
install(FILES ${PROJECT_SOURCE_DIR}/resources/systemd/quillary-sync.service
        DESTINATION lib/systemd/user)

# The icon: the SVG itself, and PNGs rendered from it for desktops that want fixed sizes.
# The same picture stands for the program and for its notes databases in file managers.
set(QUILLARY_ICON_SIZES 16 32 48 64 128 256)
set(icon_svg ${PROJECT_SOURCE_DIR}/resources/icons/quillary.svg)
set(icon_dir ${CMAKE_BINARY_DIR}/icons)
add_executable(quillary-render-icon ${PROJECT_SOURCE_DIR}/tools/render-icon.cpp)
target_link_libraries(quillary-render-icon PRIVATE Qt6::Gui Qt6::Svg)
set_target_properties(quillary-render-icon PROPERTIES AUTOMOC OFF)
set(icon_pngs)
foreach(size IN LISTS QUILLARY_ICON_SIZES)
  list(APPEND icon_pngs ${icon_dir}/${size}.png)
endforeach()
add_custom_command(
  OUTPUT ${icon_pngs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:quillary-render-icon> ${icon_svg} ${icon_dir} ${QUILLARY_ICON_SIZES}
  DEPENDS quillary-render-icon ${icon_svg}
  COMMENT "Rendering the icon's PNG sizes"
  VERBATIM)
add_custom_target(quillary_icons ALL DEPENDS ${icon_pngs})
set(hicolor ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${icon_svg} DESTINATION ${hicolor}/scalable/apps)
install(FILES ${icon_svg} DESTINATION ${hicolor}/scalable/mimetypes
        RENAME application-x-quillary-notes.svg)
foreach(size IN LISTS QUILLARY_ICON_SIZES)
  install(FILES ${icon_dir}/${size}.png DESTINATION ${hicolor}/${size}x${size}/apps
          RENAME quillary.png)
  install(FILES ${icon_dir}/${size}.png DESTINATION ${hicolor}/${size}x${size}/mimetypes
          RENAME application-x-quillary-notes.png)
endforeach()

# The package. The dependencies come from dpkg-shlibdeps: the Qt 6 runtime libraries the
# programs link, which on Debian also bring the xcb platform and the SVG plugins.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillary)
set(CPACK_PACKAGE_VENDOR "The Quillary developers")
# The project is the maintainer. It has no mail address yet: quillary@localhost stands in,
# and the package's lintian override says so (resources/debian/lintian-overrides).
set(CPACK_PACKAGE_CONTACT "The Quillary developers <quillary@localhost>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion for the notes on your handheld")
# Wrapped to fit Debian's 80 columns (the control file indents each line by one space).
set(CPACK_PACKAGE_DESCRIPTION
    "Quillary opens the notes database that HotSync copies from the handheld,
lets you read, write and draw notes, file them in categories, find,
reorder, import, export and print them, and writes the database back in
the handheld's format. quillary-pdb works on the same databases from the
command line; quillary-hotsync lets sync scripts ask Quillary before they
touch a user's notes. quillary-sync synchronizes handhelds that HotSync over
the network (TCP port 14238), from the window's Options or as a systemd
user service.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Wayland sessions, the HotSync callback's session bus, and the viewer for the manual.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, dbus-user-session | dbus-x11, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)

# What Debian wants beside the programs: the copyright file (machine-readable, GPL-3+), the
# changelog (native package: changelog.gz, compressed without a time stamp so the package
# is reproducible) and the lintian overrides, each with its reason.
set(debian ${PROJECT_SOURCE_DIR}/resources/debian)
set(quillary_docdir ${CMAKE_INSTALL_DATADIR}/doc/quillary)
install(FILES ${debian}/copyright DESTINATION ${quillary_docdir})
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/debian
  COMMAND Python3::Interpreter -c
          "import gzip, sys; data = open(sys.argv[1], 'rb').read(); \
open(sys.argv[2], 'wb').write(gzip.compress(data, 9, mtime=0))"
          ${debian}/changelog ${CMAKE_BINARY_DIR}/debian/changelog.gz
  DEPENDS ${debian}/changelog
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(quillary_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/debian/changelog.gz DESTINATION ${quillary_docdir})
install(FILES ${debian}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME quillary)
