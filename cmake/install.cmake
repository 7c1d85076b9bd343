# What `cmake --install` puts beside the programs, their firmware, translations and the udev rule
# (cmake/firmware.cmake, cmake/resources.cmake, cmake/udev.cmake): per program a desktop entry, an
# icon and AppStream metadata named by its reverse-DNS id, its manual page, and the package's
# copyright and changelog (packaging/README.md lays out the tree).

# Released on this date (AppStream wants the ISO form, the Debian changelog the RFC 2822 one).
set(PRINTER_TOOLS_RELEASE_DATE 2026-12-08)
set(PRINTER_TOOLS_RELEASE_DATE_RFC2822 "Tue, 08 Dec 2026 12:00:00 +0000")

# Directories the install creates are world-readable whatever the umask of whoever installs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(_generated ${PROJECT_BINARY_DIR}/packaging)

# gzip -9n: best compression and no name or time stamp, so the same input gives the same bytes.
function(printer_tools_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${source} ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${source}"
    VERBATIM)
endfunction()

set(_compressed)
foreach(_program printer-flasher serial-switcher)
  printer_tools_gzip(${_packaging}/man/${_program}.1 ${_generated}/${_program}.1.gz)
  list(APPEND _compressed ${_generated}/${_program}.1.gz)
  install(FILES ${_generated}/${_program}.1.gz DESTINATION share/man/man1)
endforeach()

# The desktop entries and the AppStream metadata carry their translations inline, merged by msgfmt
# from packaging/po/<lang>.po (packaging/po/LINGUAS lists the languages; scripts/update-packaging-pot
# refreshes the template and the catalogues from the English texts).
find_program(PRINTER_TOOLS_MSGFMT msgfmt REQUIRED)
file(STRINGS ${_packaging}/po/LINGUAS _packaging_languages REGEX "^[^#]")
set(_packaging_catalogues)
foreach(_language IN LISTS _packaging_languages)
  list(APPEND _packaging_catalogues ${_packaging}/po/${_language}.po)
endforeach()
set(_translated)
foreach(_id org.printertools.PrinterFlasher org.printertools.SerialSwitcher)
  add_custom_command(OUTPUT ${_generated}/${_id}.desktop
    COMMAND ${PRINTER_TOOLS_MSGFMT} --desktop --template=${_packaging}/desktop/${_id}.desktop.in
      -d ${_packaging}/po -o ${_generated}/${_id}.desktop
    DEPENDS ${_packaging}/desktop/${_id}.desktop.in ${_packaging}/po/LINGUAS ${_packaging_catalogues}
    COMMENT "Translating ${_id}.desktop"
    VERBATIM)
  configure_file(${_packaging}/metainfo/${_id}.metainfo.xml.in ${_generated}/untranslated/${_id}.metainfo.xml @ONLY)
  add_custom_command(OUTPUT ${_generated}/${_id}.metainfo.xml
    COMMAND ${PRINTER_TOOLS_MSGFMT} --xml --template=${_generated}/untranslated/${_id}.metainfo.xml
      -d ${_packaging}/po -o ${_generated}/${_id}.metainfo.xml
    DEPENDS ${_generated}/untranslated/${_id}.metainfo.xml ${_packaging}/po/LINGUAS ${_packaging_catalogues}
    COMMENT "Translating ${_id}.metainfo.xml"
    VERBATIM)
  list(APPEND _translated ${_generated}/${_id}.desktop ${_generated}/${_id}.metainfo.xml)
  install(FILES ${_generated}/${_id}.desktop DESTINATION share/applications)
  install(FILES ${_packaging}/icons/${_id}.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${_generated}/${_id}.metainfo.xml DESTINATION share/metainfo)
endforeach()

# The Debian revision of the package built from this version (cmake/package.cmake builds it).
set(PRINTER_TOOLS_DEBIAN_REVISION 1)
set(CPACK_DEBIAN_PACKAGE_VERSION_FULL ${PROJECT_VERSION}-${PRINTER_TOOLS_DEBIAN_REVISION})
configure_file(${_packaging}/debian/changelog.in ${_generated}/changelog.Debian @ONLY)
printer_tools_gzip(${_generated}/changelog.Debian ${_generated}/changelog.Debian.gz)
list(APPEND _compressed ${_generated}/changelog.Debian.gz)
install(FILES ${_packaging}/debian/copyright ${_generated}/changelog.Debian.gz
  DESTINATION share/doc/${PROJECT_NAME})

add_custom_target(printer_tools_install_files ALL DEPENDS ${_compressed} ${_translated})

# For fleets: the metrics timer and the unattended update at boot (installed disabled), the system
# user they run as, the check the update runs first, and the guide to them.
set(PRINTER_TOOLS_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE STRING
  "Where the systemd units are installed, relative to the prefix (systemd reads /usr/lib/systemd/system)")
install(FILES ${_packaging}/systemd/printer-flasher-metrics.service ${_packaging}/systemd/printer-flasher-metrics.timer
  ${_packaging}/systemd/printer-flasher-update-at-boot.service DESTINATION ${PRINTER_TOOLS_SYSTEMD_UNIT_DIR})
install(FILES ${_packaging}/systemd/printer-tools.sysusers DESTINATION lib/sysusers.d RENAME printer-tools.conf)
install(PROGRAMS ${_packaging}/systemd/no-other-printer-flasher DESTINATION libexec/printer-tools)
install(FILES ${PROJECT_SOURCE_DIR}/docs/fleets.md ${PROJECT_SOURCE_DIR}/docs/captures.md
  DESTINATION share/doc/${PROJECT_NAME})

# The Wireshark dissector for the captures that --capture writes (docs/captures.md).
install(FILES ${PROJECT_SOURCE_DIR}/contrib/wireshark/printer-tools.lua DESTINATION share/${PROJECT_NAME}/wireshark)
