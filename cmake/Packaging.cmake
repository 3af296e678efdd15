# `make package`: a Debian package built by CPack. Its dependencies are computed from the
# program's shared libraries by dpkg-shlibdeps; what the program loads at run time without
# linking it (Qt's image and platform plugins, the German translations, fonts) is added by
# name.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumivista)
set(CPACK_PACKAGE_VENDOR "The Lumivista developers")
set(CPACK_PACKAGE_CONTACT "The Lumivista developers <developers@lumivista.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "publish photographs as an HTML gallery")
set(CPACK_PACKAGE_HOMEPAGE_URL ${LUMIVISTA_HOME_URL})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-image-formats-plugins, qt6-translations-l10n, qt6-qpa-plugins, libqt6svg6, fonts-liberation2 | fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, adwaita-icon-theme")
set(CPACK_PACKAGE_DESCRIPTION
    "Lumivista turns a list of photographs into a static HTML photo gallery:
a corrected, stamped large JPEG and a small JPEG of every picture, one page
per picture with previous, index and next links, and index pages with tables
of small pictures. Beside the generator it offers a JPEG optimiser, an FTP
window that publishes the gallery, and a command line for scripts.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
