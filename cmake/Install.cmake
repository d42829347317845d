# Installation and the Debian package.
#
#   cmake --install build [--prefix DIR]     programs, desktop entry, icons, AppStream metadata,
#                                            man pages, bash completion, copyright, changelog and
#                                            the udev rule under DIR (/usr/local)
#   make package                             build/package/kestrova-swutil_<version>_<arch>.deb
#
# Everything that belongs to the desktop carries the application id com.kestrova.SwitchUtility.

include(GNUInstallDirs)

set(KESTROVA_APP_ID com.kestrova.SwitchUtility)
set(KESTROVA_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

# Directories the .deb gets as 0755 whatever the umask of the machine that builds it.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Programs. The command-line tool and the simulator are optional parts of the tree.
foreach(program kestrova-swutil kestrova-swctl kestrova-printer-sim kestrova-exporter)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# Desktop entry, AppStream metadata, icons.
install(FILES ${KESTROVA_PACKAGING_DIR}/${KESTROVA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KESTROVA_PACKAGING_DIR}/${KESTROVA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KESTROVA_PACKAGING_DIR}/icons/${KESTROVA_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 128 256)
  install(FILES ${KESTROVA_PACKAGING_DIR}/icons/${size}x${size}/${KESTROVA_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Man pages (every docs/*.1) and the changelog go in gzip-compressed, as Debian keeps them. They
# are compressed when installing, so a package always holds the current text; gzip -9n leaves the
# name and time out, so the same text always gives the same bytes.
find_program(KESTROVA_GZIP gzip REQUIRED)
set(KESTROVA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kestrova-swutil)
function(kestrova_install_gzipped source destination name)
  set(out ${CMAKE_BINARY_DIR}/gzipped/${name})
  install(CODE "
    file(MAKE_DIRECTORY \"${CMAKE_BINARY_DIR}/gzipped\")
    execute_process(COMMAND \"${KESTROVA_GZIP}\" -9n -c \"${source}\" OUTPUT_FILE \"${out}\"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR \"gzip could not compress ${source}: \${status}\")
    endif()
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${destination}\" TYPE FILE FILES \"${out}\")
  ")
endfunction()

file(GLOB man_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.1)
foreach(page ${man_pages})
  get_filename_component(page_name ${page} NAME)
  kestrova_install_gzipped(${page} ${CMAKE_INSTALL_MANDIR}/man1 ${page_name}.gz)
endforeach()
kestrova_install_gzipped(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${KESTROVA_DOC_DIR} changelog.gz)

# The licence terms in Debian's machine-readable form, and the lintian tags this package accepts
# (each with the reason in the file).
install(FILES ${KESTROVA_PACKAGING_DIR}/debian/copyright DESTINATION ${KESTROVA_DOC_DIR})
install(FILES ${KESTROVA_PACKAGING_DIR}/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kestrova-swutil)

# Completion of the command-line tool's commands, options and values in bash.
if(TARGET kestrova-swctl)
  install(FILES ${KESTROVA_PACKAGING_DIR}/kestrova-swctl.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kestrova-swctl)
endif()

# The exporter's systemd unit, installed but not enabled (no maintainer script enables it).
# With the prefix /usr (the .deb) it goes to /lib/systemd/system, where Debian 12 packages ship
# their units; any other prefix gets PREFIX/lib/systemd/system.
if(TARGET kestrova-exporter)
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(unit_dir /lib/systemd/system)
    else()
      set(unit_dir \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\")
    endif()
    file(INSTALL DESTINATION \"\${unit_dir}\" TYPE FILE
         FILES \"${KESTROVA_PACKAGING_DIR}/kestrova-exporter.service\")
  ")
endif()

# udev rule (vendor 1f4e: access for the user at the seat, no modem-manager probing). Its
# directory is chosen when installing, because the prefix may be given only then:
#   prefix /usr (the .deb): /lib/udev/rules.d, where Debian 12 packages, udev's own rules among
#     them, ship their rules; udev reads it as /usr/lib/udev/rules.d through the merged /usr.
#   any other prefix: PREFIX/lib/udev/rules.d; udev reads /usr/local/lib/udev/rules.d, a private
#     prefix needs the file copied to /etc/udev/rules.d.
# KESTROVA_UDEV_RULES_DIR overrides both.
set(KESTROVA_UDEV_RULES_DIR "" CACHE STRING "Directory of the udev rule (empty: chosen from the install prefix)")
install(CODE "
  set(rules_dir \"${KESTROVA_UDEV_RULES_DIR}\")
  if(NOT rules_dir)
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(rules_dir /lib/udev/rules.d)
    else()
      set(rules_dir \"\${CMAKE_INSTALL_PREFIX}/lib/udev/rules.d\")
    endif()
  endif()
  file(INSTALL DESTINATION \"\${rules_dir}\" TYPE FILE
       FILES \"${KESTROVA_PACKAGING_DIR}/70-kestrova-printers.rules\")
")

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrova-swutil)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Kestrova)
set(CPACK_PACKAGE_CONTACT "Kestrova Support <support@kestrova.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read, explain and write the software switches of receipt printers")
# Debian shows the description as it is: lines of at most 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
"Every supported receipt printer keeps five software-switch bytes (40 ON/OFF
bits). This package holds the window kestrova-swutil, which reaches one
printer over USB, a serial port or TCP/IP, reads the switches, model name,
firmware, counters and language settings, explains every bit for that
printer model, writes changes back and triggers the self-test and font-test
prints; the command-line tool kestrova-swctl, which does the same from
scripts; and the printer simulator kestrova-printer-sim, for trying both
without hardware. A udev rule gives the user at the seat access to the
printers' USB devices.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# The udev rule has an absolute destination: install with the prefix /usr into the staging tree
# through DESTDIR.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# make package and the package check build first; cpack itself then only installs and packs,
# without walking every target of the tree again (this also applies to "make install" here).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://kestrova.example/)
# Shared libraries through dpkg-shlibdeps; the Qt platform plugins are loaded at run time, so
# dpkg-shlibdeps cannot see them, and the window does not start without them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${KESTROVA_PACKAGING_DIR}/debian/postinst ${KESTROVA_PACKAGING_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
