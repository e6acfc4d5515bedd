# The Debian package: `cmake --build <dir> --target package` or `cpack -G DEB`
# in a build directory (`make package` builds it with Debian's hardening
# flags). The library dependencies are computed by dpkg-shlibdeps from the
# installed programs, so they follow whatever Qt the build linked.

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "fapkalk")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "${FAPKALK_PUBLISHER_NAME}")
set(CPACK_PACKAGE_CONTACT "${FAPKALK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${FAPKALK_MAINTAINER}")
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
set(CPACK_FAPKALK_OBJCOPY "${CMAKE_OBJCOPY}")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebStrip.cmake)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # fapkalk_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${FAPKALK_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's layout is measured in pixels with Arial-metric fonts; with
# DejaVu alone, the widest captions are cut off. Liberation Sans has Arial's
# metrics, so it is a dependency, not a mere recommendation.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
# Qt's own texts (context menus, standard buttons) in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# The icon cache and the desktop menu pick the new files up through the
# triggers of hicolor-icon-theme and desktop-file-utils; no maintainer scripts.

include(CPack)
