# `cpack -G DEB` in a release build folder makes the Debian package. The libraries the programs
# link to (Qt, QCoro, libplist, xcb) become dependencies through dpkg-shlibdeps; what Kovara
# runs or loads without linking to it is named here.
set(CPACK_PACKAGE_NAME kovara)
set(CPACK_PACKAGE_VENDOR Kovara)
set(CPACK_PACKAGE_CONTACT "Kovara <suporte@kovara.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Cofres criptografados para documentos privados")
set(CPACK_PACKAGE_DESCRIPTION "O Kovara guarda pastas e arquivos em cofres criptografados (gocryptfs, AES-256), desbloqueados com uma senha que nunca é salva e bloqueados de novo ao sair.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kovara.app")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# gocryptfs and fusermount3 run every vault; the Qt platform plugins draw the window; the icon
# theme supplies every icon the window shows.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gocryptfs (>= 2), fuse3, qt6-qpa-plugins, adwaita-icon-theme")
# Qt's own buttons and dialogs in Portuguese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# GNOME Files reads the "Adicionar ao Kovara" extension only with this installed.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-nautilus")

include(CPack)
