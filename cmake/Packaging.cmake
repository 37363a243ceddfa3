# Installation and the Debian package (cmake --build build --target package, or make package).
# The programs, the default DMS templates the build makes, the desktop entry with its icon and
# the man pages; the package's dependencies are worked out by dpkg-shlibdeps from the programs.
include(GNUInstallDirs)

set(NAX_PACKAGE_NAME nax)
install(TARGETS nax nax-report nax-simulate RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The installed programs look for these in ../share/nax/templates beside their folder.
install(FILES ${NAX_TEMPLATE_DIR}/DailyDMS.xlsx ${NAX_TEMPLATE_DIR}/HourDMS.xlsx
  DESTINATION ${CMAKE_INSTALL_DATADIR}/${NAX_PACKAGE_NAME}/templates)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/nax.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/nax.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Man pages, compressed as Debian keeps them.
set(NAX_MAN_PAGES)
foreach(page nax nax-report nax-simulate)
  set(compressed ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/packaging/man/${page}.1 > ${compressed}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/man/${page}.1
    COMMENT "Compressing the man page of ${page}")
  list(APPEND NAX_MAN_PAGES ${compressed})
endforeach()
add_custom_target(nax_man_pages ALL DEPENDS ${NAX_MAN_PAGES})
install(FILES ${NAX_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${NAX_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Online NAX Reporting")
set(CPACK_PACKAGE_CONTACT "Online NAX Reporting developers <nax@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Downtime, production and DMS reports of a packaging line")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Downtime, production and DMS reports of a packaging line\n"
  "Online NAX Reporting lists and classifies the downtime events of a plant database, "
  "reports runs, production and losses, and writes the daily and shift-wise DMS workbooks. "
  "nax is the desktop program, nax-report the same reports for scripts and scheduled jobs, "
  "nax-simulate writes a demo plant database.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
