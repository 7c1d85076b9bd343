# `cpack -G DEB` in a build directory: one Debian package, printer-tools, with both programs
# (packaging/README.md says why one). scripts/package builds it the way it is shipped.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "printer-tools maintainers")
set(CPACK_PACKAGE_CONTACT "printer-tools maintainers <printer-tools@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware update and USB serial-number switch for photo printers")
# The extended description, in lines of at most 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "printer-flasher finds the supported USB dye-sublimation photo printers, shows"
  "their state and versions, and updates their firmware and colour tables from"
  "the package it carries. serial-switcher switches a printer's USB serial-number"
  "report on or off and removes the print queues the change leaves behind. Both"
  "run with a window or from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${PRINTER_TOOLS_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries' packages come from dpkg-shlibdeps; the window also needs Qt's platform plugins, and
# the update history the SQLite driver of Qt SQL, which the programs load at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
# serial-switcher removes print queues with lpstat and lpadmin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-client")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/packaging/debian/postinst ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
