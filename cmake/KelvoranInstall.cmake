# Installation in the GNU layout and the Debian package.
#
#   bin/kelvoran, bin/kelvoran-batch
#   share/applications/kelvoran.desktop           the desktop entry (opens .kvr and .kvs files)
#   share/icons/hicolor/scalable/apps/kelvoran.svg
#   share/mime/packages/kelvoran.xml              the two file types, by their extensions
#   share/kelvoran/examples/                      demo database, settings, schedule, deploy files
#   share/doc/kelvoran/README.md (+ docs/)        found by the feature overview
#   lib/kelvoran/libkelvoran_sqlite_oracle.so     DECODE and NVL for ODBC data sources (db/sqliteext)
#
# A GUI-less build installs kelvoran-batch, the examples and the README only.
include(GNUInstallDirs)

install(TARGETS kelvoran-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(KELVORAN_BUILD_GUI)
    install(TARGETS kelvoran RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/kelvoran.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/kelvoran.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/kelvoran-mime.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kelvoran.xml)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvoran/examples)
# The README where the program looks for it (bin/../share/doc/kelvoran), with its pictures.
set(KELVORAN_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/kelvoran)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${KELVORAN_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${KELVORAN_INSTALL_DOCDIR}/docs
        FILES_MATCHING PATTERN "*.png")

# The Debian package (cpack -G DEB in the build folder; scripts/build-deb.sh does the whole job).
# Depends: the shared libraries the binaries link, found by dpkg-shlibdeps, plus what Qt loads
# at run time as plugins (SQL drivers), which no linker record names.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvoran)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kelvoran maintainers <kelvoran@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "database browser, Excel report builder and job scheduler")
set(CPACK_PACKAGE_DESCRIPTION
    "Kelvoran browses and edits Oracle, PostgreSQL, MySQL/MariaDB and SQLite databases, builds \
formatted Excel workbooks from a SELECT and runs schedules of such jobs; kelvoran-batch runs \
the same jobs without windows.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, libqt6sql6-psql, libqt6sql6-mysql, libqt6sql6-odbc")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-ipafont-gothic")
include(CPack)
