# What `make install` puts where, and the Debian package built from the same rules. Included last
# by the top-level CMakeLists.txt, so that every target is known here.
include(GNUInstallDirs)

install(TARGETS corvel corvel-check corvel-lsp RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES man/corvel.1 man/corvel-check.1 man/corvel-lsp.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md docs/language.md docs/cookbook.md docs/checks.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Editor support: every editor's files under share/corvel/editors, and the Vim files also where
# Vim looks for system-wide additions.
set(CORVEL_EDITORS ${CMAKE_CURRENT_SOURCE_DIR}/editors)
install(DIRECTORY ${CORVEL_EDITORS}/vscode/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/corvel/editors/vscode
        PATTERN node_modules EXCLUDE)
foreach(kind syntax ftdetect)
  install(FILES ${CORVEL_EDITORS}/vim/${kind}/corvel.vim
          DESTINATION ${CMAKE_INSTALL_DATADIR}/corvel/editors/vim/${kind})
  install(FILES ${CORVEL_EDITORS}/vim/${kind}/corvel.vim
          DESTINATION ${CMAKE_INSTALL_DATADIR}/vim/vimfiles/${kind})
endforeach()

# `make package`: a Debian package installing to /usr. Its dependencies come from the libraries the
# programs link, found by dpkg-shlibdeps, plus the three that the interpreter loads at run time,
# which no link shows.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interpreter for the Corvel line-oriented script language")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvel runs scripts of a small line-oriented language: one statement per\n"
    "line, variables of four types (int, string, array, file), string literals\n"
    "with variable references, one-operation arithmetic, if/goto/labels, and\n"
    "commands for strings, arrays, text files, the file system, the shell and\n"
    "the network. corvel-check reports likely mistakes in scripts without\n"
    "running them, and corvel-lsp shows them in editors as a language server.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvel maintainers <corvel@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION interpreters)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libicu72, libssl3, libcurl4")
include(CPack)
