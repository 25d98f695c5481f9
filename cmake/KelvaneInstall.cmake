# Install rules and the Debian package. An installed program finds share/kelvane beside its
# bin folder and then keeps its data in the user's data folder (platform/install_layout).
set(KELVANE_APP_ID org.kelvane.Kelvane)
set(packaging_src ${PROJECT_SOURCE_DIR}/packaging)
set(packaging_bin ${PROJECT_BINARY_DIR}/packaging)

install(TARGETS kelvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET kelvane)
    install(TARGETS kelvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${packaging_src}/${KELVANE_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    configure_file(${packaging_src}/${KELVANE_APP_ID}.metainfo.xml
                   ${packaging_bin}/${KELVANE_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${packaging_bin}/${KELVANE_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(DIRECTORY ${packaging_src}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

# Made even while empty: its presence is what marks the installed layout.
install(DIRECTORY DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvane)
file(GLOB engine_definitions CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/*.json)
# The built-in definitions are compiled in and 'kelvane-cli engines export' prints them; only
# the examples to copy are installed.
list(FILTER engine_definitions EXCLUDE REGEX "/engines\\.json$")
if(engine_definitions)
    install(FILES ${engine_definitions} DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvane)
endif()

# The manual page follows the console program's own --help.
find_program(HELP2MAN help2man)
if(HELP2MAN)
    set(man_page ${packaging_bin}/kelvane-cli.1)
    add_custom_command(
        OUTPUT ${man_page}.gz
        COMMAND ${HELP2MAN} --no-info --section=1 --version-string=${PROJECT_VERSION}
                "--name=query how search engines see a web site" --include=${packaging_src}/kelvane-cli.h2m
                --output=${man_page} $<TARGET_FILE:kelvane-cli>
        COMMAND gzip -9nf ${man_page}
        DEPENDS kelvane-cli ${packaging_src}/kelvane-cli.h2m
        VERBATIM)
    add_custom_target(kelvane_man_page ALL DEPENDS ${man_page}.gz)
    install(FILES ${man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
    message(WARNING "help2man not found: no manual page for kelvane-cli "
                    "(scripts/install-deps.sh installs it)")
endif()

# cpack -G DEB: dpkg-shlibdeps names the libraries the programs link (Qt 6, RE2, ...).
set(KELVANE_PACKAGE_MAINTAINER "Kelvane developers <kelvane@kelvane.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvane)
set(CPACK_PACKAGE_VENDOR Kelvane)
set(CPACK_PACKAGE_CONTACT "${KELVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop toolkit for people who run web sites")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Kelvane asks web search engines how many pages of a site they have indexed\n"
    "and how many link to it, looks up the site's ranks and keeps a history for\n"
    "each of your sites. It also offers a keyword ranking search, whois and IP\n"
    "lookups and a bulk mailer. The console program kelvane-cli runs the same\n"
    "queries from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The GBK pages are decoded by ICU through Qt: named, so the package says what it relies on even
# where it reaches the library only through another one.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libicu72")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wqy-microhei)
include(CPack)
