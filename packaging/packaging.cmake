# Installation into the usual places (GNUInstallDirs) and the Debian package made by CPack.
# The programs find their libraries through $ORIGIN and their configuration folder and
# catalog as share/tolvar beside bin/, so that the tree works wherever it is unpacked.
# Included last from the top level, when every installed target exists.
include(GNUInstallDirs)
set(pkg "${CMAKE_CURRENT_LIST_DIR}")

set_target_properties(tolvar zrt PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
set_target_properties(ztext PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS zrt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS zrteng ztext LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES "${PROJECT_SOURCE_DIR}/engine/zrteng.h" DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# The desktop: the launcher, the query files' type opened with tolvar, the icons.
install(FILES "${pkg}/tolvar.desktop" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${pkg}/tolvar-mime.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME tolvar.xml)
foreach(size 16 32 48 64 128 256)
  set(dir ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size})
  install(FILES "${pkg}/icons/tolvar-${size}.png" DESTINATION ${dir}/apps RENAME tolvar.png)
  install(FILES "${pkg}/icons/tolvar-${size}.png" DESTINATION ${dir}/mimetypes
          RENAME application-x-tolvar-query.png)
endforeach()
install(FILES "${pkg}/icons/tolvar.svg" DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES "${pkg}/man/tolvar.1" "${pkg}/man/zrt.1" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The help pages are built into the program as well; here they can be read in a browser.
file(GLOB help_pages "${PROJECT_SOURCE_DIR}/frontend/app/help/*.html")
install(FILES ${help_pages} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tolvar/html)

set(CPACK_PACKAGE_NAME tolvar)
set(CPACK_PACKAGE_VENDOR ORVANT)
set(CPACK_PACKAGE_CONTACT "ORVANT <tolvar@orvant.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-text retrieval in bibliographic and abstract databases")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Tolvar searches editions of bibliographic records with a Boolean query language,\n"
       "Russian word forms, a query builder, the index dictionary and the table of\n"
       "contents, and prints and exports the found documents. The package holds the\n"
       "program tolvar, the command-line tool zrt, the retrieval engine and query-entry\n"
       "control libraries, and a sample catalog of Russian classic literature.")
# The libraries' own packages come from dpkg-shlibdeps; the X11 platform plugin is loaded
# at run time, which no library dependency shows.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, fonts-dejavu-core")
# The build carries debugging information, which would make up most of the package.
set(CPACK_STRIP_FILES ON)
# Quick to build in the tests; the package is a few megabytes either way.
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
include(CPack)
