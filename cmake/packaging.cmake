# Installing for a desktop and the Debian package: `cpack -G DEB` in the build folder makes
# qx9emu_VERSION_ARCH.deb with the three programs, their manual pages, the examples, the desktop entry,
# the icon at every size, the AppStream metainfo and dependencies computed from the programs' libraries.
include(GNUInstallDirs)

# Manual pages, with the project's version filled in, compressed as Debian keeps them.
set(QX9_MAN_PAGES "")
set(QX9_PROGRAMS qx9run qx9asm)
if(QX9_BUILD_PANEL)
  list(APPEND QX9_PROGRAMS qx9emu)
endif()
foreach(program IN LISTS QX9_PROGRAMS)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1)
  configure_file(${PROJECT_SOURCE_DIR}/man/${program}.1 ${page} @ONLY)
  add_custom_command(OUTPUT ${page}.gz
                     COMMAND gzip -9 -n -c ${page} > ${page}.gz
                     DEPENDS ${page}
                     COMMENT "Compressing the manual page of ${program}"
                     VERBATIM)
  list(APPEND QX9_MAN_PAGES ${page}.gz)
endforeach()
add_custom_target(qx9man ALL DEPENDS ${QX9_MAN_PAGES})
install(FILES ${QX9_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The desktop side: only with the panel. (The entry and the 128-pixel icon are installed by assets/.)
if(QX9_BUILD_PANEL)
  foreach(size 16 32 48 64 256)
    install(FILES ${PROJECT_SOURCE_DIR}/assets/qx9emu-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME qx9emu.png)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/assets/qx9emu.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  configure_file(${PROJECT_SOURCE_DIR}/assets/org.qx9emu.qx9emu.metainfo.xml
                 ${CMAKE_CURRENT_BINARY_DIR}/org.qx9emu.qx9emu.metainfo.xml @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/org.qx9emu.qx9emu.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qx9emu)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "qx9emu developers")
set(CPACK_PACKAGE_CONTACT "qx9emu developers <qx9emu@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "emulator of the QX9 controller with a front panel")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "qx9emu loads a compiled QX9 object file and shows a front panel to step or run it; qx9run runs a "
       "program headless for scripts and CI, and qx9asm assembles programs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies from the libraries the programs link (dpkg-shlibdeps), not a hand-kept list.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Only what `cmake --install` puts in place for users: the programs, their data and documentation.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
