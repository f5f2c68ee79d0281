# Installation (cmake --install) with the GNU folders, and the Debian package
# (cpack -G DEB) made from the same tree.
include(GNUInstallDirs)

set(CORVANTA_APP_ID io.sourceforge.corvanta)
# The date of this release, for the AppStream record and the manual pages.
set(CORVANTA_RELEASE_DATE 2026-12-10)

install(TARGETS corvanta corvanta-get RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The tool windows' module, found relative to the executable (ToolWindowsModule).
install(TARGETS corvanta_tools LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/corvanta)
# The libraries the program and the module share stand beside the module.
set(CORVANTA_SHARED_LIBRARIES platform_core platform_ui shell_base transfer_core)
install(TARGETS ${CORVANTA_SHARED_LIBRARIES} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/corvanta)
file(RELATIVE_PATH corvanta_libraries_from_programs
    ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/corvanta)
set_target_properties(corvanta corvanta-get PROPERTIES
    INSTALL_RPATH "$ORIGIN/${corvanta_libraries_from_programs}")
set_target_properties(corvanta_tools ${CORVANTA_SHARED_LIBRARIES} PROPERTIES
    INSTALL_RPATH "$ORIGIN")
# Found relative to the executable (Paths::contentFolder).
install(DIRECTORY resources/Images resources/Data
    DESTINATION ${CMAKE_INSTALL_DATADIR}/corvanta)
install(DIRECTORY resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES resources/desktop/${CORVANTA_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

set(CORVANTA_METAINFO ${CMAKE_BINARY_DIR}/${CORVANTA_APP_ID}.metainfo.xml)
configure_file(resources/desktop/${CORVANTA_APP_ID}.metainfo.xml.in ${CORVANTA_METAINFO} @ONLY)
install(FILES ${CORVANTA_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CORVANTA_MAN_PAGES)
foreach(page corvanta corvanta-get)
    configure_file(docs/man/${page}.1.in ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.1.gz
        COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/man/${page}.1
        DEPENDS ${CMAKE_BINARY_DIR}/man/${page}.1 VERBATIM)
    list(APPEND CORVANTA_MAN_PAGES ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${CORVANTA_MAN_PAGES})
install(FILES ${CORVANTA_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME corvanta)
set(CPACK_PACKAGE_VENDOR "The Corvanta developers")
set(CPACK_PACKAGE_CONTACT "The Corvanta developers <developers@corvanta.net>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "desktop internet suite: browser, FTP client, editor, grabber, translator")
set(CPACK_PACKAGE_DESCRIPTION
    "One main window in which six tools open as windows, any number of each: Web
Browser, FTP Client, Editor, Web Site Grabber, Net Translator and Network
Tools, with a task bar and four themes. corvanta-get downloads files in
parallel parts from the command line and continues interrupted downloads.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://corvanta.sourceforge.io/)
# The libraries it links, computed by dpkg-shlibdeps (the browser engine's
# helper process comes with its library's entry); and what it loads that no
# linker sees: Qt's X platform plugin.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The offline translator (the engine, its pairs among English, French,
# Italian, Portuguese and Spanish, the grammar tool and markup keeper it
# calls), the desktop's opener of addresses and mail, and nslookup for the
# Windows Tools' "Open DNS Address".
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "apertium, apertium-eng-spa, apertium-fr-es, apertium-spa-ita, apertium-es-pt, cg3, transfuse, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bind9-dnsutils")
include(CPack)
