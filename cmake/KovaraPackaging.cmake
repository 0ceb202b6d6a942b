# `cpack -G DEB` in a Release build folder makes the Debian package (`make package`). The
# libraries the programs link to (Qt, QCoro, libplist, xcb) become dependencies through
# dpkg-shlibdeps; what Kovara runs or loads without linking to it is named here.

# The Debian changelog's newest entry names the version the package carries; its upstream part
# must be the project's version, and what follows the last dash is the Debian revision.
set(KOVARA_PACKAGE_DIR ${PROJECT_SOURCE_DIR}/data/package)
file(STRINGS ${KOVARA_PACKAGE_DIR}/changelog KOVARA_CHANGELOG_HEADING LIMIT_COUNT 1)
if(NOT KOVARA_CHANGELOG_HEADING MATCHES "^kovara \\((.+)-([^-]+)\\) ")
  message(FATAL_ERROR "data/package/changelog must start with \"kovara (VERSION-REVISION) …\"")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "The newest entry of data/package/changelog is for ${CMAKE_MATCH_1}, "
                      "the project is ${PROJECT_VERSION}: add an entry for this version.")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})

# What Debian asks of every package besides the program: the copyright, the changelog and a
# manual page, compressed as dpkg expects (gzip -9, without the build's time), and lintian's
# accepted findings with their reasons.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(KOVARA_PACKAGE_BUILD_DIR ${PROJECT_BINARY_DIR}/package)
configure_file(${KOVARA_PACKAGE_DIR}/kovara.1 ${KOVARA_PACKAGE_BUILD_DIR}/kovara.1 @ONLY)
set(KOVARA_PACKAGE_GZIPPED)
foreach(document ${KOVARA_PACKAGE_DIR}/changelog ${KOVARA_PACKAGE_BUILD_DIR}/kovara.1)
  get_filename_component(name ${document} NAME)
  set(gzipped ${KOVARA_PACKAGE_BUILD_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${gzipped}
    COMMAND ${CMAKE_COMMAND} -E copy ${document} ${KOVARA_PACKAGE_BUILD_DIR}/compressed/${name}
    COMMAND ${GZIP_PROGRAM} -9 -n -f ${KOVARA_PACKAGE_BUILD_DIR}/compressed/${name}
    COMMAND ${CMAKE_COMMAND} -E rename ${KOVARA_PACKAGE_BUILD_DIR}/compressed/${name}.gz ${gzipped}
    DEPENDS ${document}
    VERBATIM)
  list(APPEND KOVARA_PACKAGE_GZIPPED ${gzipped})
endforeach()
add_custom_target(kovara_package_documents ALL DEPENDS ${KOVARA_PACKAGE_GZIPPED})
install(FILES ${KOVARA_PACKAGE_BUILD_DIR}/kovara.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KOVARA_PACKAGE_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kovara)
install(FILES ${KOVARA_PACKAGE_BUILD_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kovara
        RENAME changelog.Debian.gz)
install(FILES ${KOVARA_PACKAGE_DIR}/kovara.lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME kovara)

# In a build with tests, the package test packs what that test's program depends on, without
# building every other test program first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ${KOVARA_BUILD_TESTS})

set(CPACK_PACKAGE_NAME kovara)
set(CPACK_PACKAGE_VENDOR Kovara)
set(CPACK_PACKAGE_CONTACT "Kovara <suporte@kovara.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cofres criptografados para documentos privados")
set(CPACK_PACKAGE_DESCRIPTION
    "O Kovara guarda pastas e arquivos em cofres criptografados (gocryptfs,
AES-256) atrás de uma janela em português do Brasil. Cada cofre é
desbloqueado com a sua senha, que nunca é salva, e bloqueado de novo com um
clique; ao sair, o Kovara bloqueia todos os cofres que encontrar abertos.

Pastas escolhidas com “Adicionar ao Kovara” no gerenciador de arquivos
(Dolphin, Nemo ou Arquivos do GNOME) ou passadas a “kovara PASTA…” são
copiadas para o cofre escolhido; as originais permanecem onde estão.

Apagar um cofre move a sua imagem para a Lixeira; remover este pacote não
toca nos cofres, que ficam em ~/.local/share/Kovara.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kovara.app")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# gocryptfs and fusermount3 run every vault; the Qt platform plugins draw the window; the icon
# theme supplies every icon the window shows.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gocryptfs (>= 2), fuse3, qt6-qpa-plugins, adwaita-icon-theme")
# Qt's own buttons and dialogs in Portuguese; the window drawn natively in a Wayland session
# (without the plugin Qt draws it through XWayland).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland")
# "Adicionar ao Kovara" in GNOME Files is an extension of its Python extension interface 4.0,
# which only python3-nautilus loads; Dolphin's service menu and Nemo's action need nothing more
# than the file manager itself.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-nautilus (>= 4)")
set(CPACK_DEBIAN_PACKAGE_ENHANCES "nautilus, nemo, dolphin")

include(CPack)
