# The Debian package: `cmake --build <dir> --target package` or `cpack -G DEB`
# in a build directory. The runtime dependencies are computed by dpkg-shlibdeps
# from the installed programs, so they follow whatever Qt the build linked.

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "fapkalk")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "${FAPKALK_PUBLISHER_NAME}")
set(CPACK_PACKAGE_CONTACT "${FAPKALK_PUBLISHER_NAME} <${FAPKALK_CONTACT_MAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Apothekenpreise nach der Österreichischen Arzneitaxe berechnen")
set(CPACK_PACKAGE_DESCRIPTION
    "Berechnet aus dem Fabriksabgabepreis (FAP) oder dem Apotheken-Einkaufspreis\n\
(AEP) den AEP, den Kassenpreis (KP) und den Apotheken-Verkaufspreis (AVP)\n\
nach der Österreichischen Arzneitaxe 2012: Einzelpreis oder Preistabelle,\n\
Export als Textdatei. Enthält das Programmfenster (fapkalk) und das\n\
Kommandozeilenprogramm fapkalk-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # fapkalk_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${FAPKALK_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The icon cache and the desktop menu pick the new files up through the
# triggers of hicolor-icon-theme and desktop-file-utils; no maintainer scripts.

include(CPack)
