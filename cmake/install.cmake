# What `make install` puts where, and the Debian package built from the same rules. Included last
# by the top-level CMakeLists.txt, so that every target is known here.
include(GNUInstallDirs)

# Folders readable by everyone whatever the umask of whoever installs or packages.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The man pages carry the project's version in their header line.
foreach(page corvel corvel-check corvel-lsp)
  configure_file(man/${page}.1.in ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
endforeach()

# The VS Code manifest with the project's version written in: the installed extension and the
# .vsix both carry it. Only the first "version" key is the extension's own.
set(CORVEL_VSCODE ${CMAKE_CURRENT_SOURCE_DIR}/editors/vscode)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CORVEL_VSCODE}/package.json)
file(READ ${CORVEL_VSCODE}/package.json manifest)
string(REGEX MATCH "\"version\"[ \t]*:[ \t]*\"[^\"]*\"" version_key "${manifest}")
if(NOT version_key)
  message(FATAL_ERROR "editors/vscode/package.json has no \"version\" key")
endif()
string(FIND "${manifest}" "${version_key}" at)
string(LENGTH "${version_key}" length)
math(EXPR after "${at} + ${length}")
string(SUBSTRING "${manifest}" 0 ${at} before_key)
string(SUBSTRING "${manifest}" ${after} -1 after_key)
set(manifest "${before_key}\"version\": \"${PROJECT_VERSION}\"${after_key}")
set(CORVEL_VSCODE_MANIFEST ${CMAKE_BINARY_DIR}/editors/vscode/package.json)
if(EXISTS ${CORVEL_VSCODE_MANIFEST})
  file(READ ${CORVEL_VSCODE_MANIFEST} written)
endif()
if(NOT written STREQUAL manifest)
  file(WRITE ${CORVEL_VSCODE_MANIFEST} "${manifest}")
endif()

install(TARGETS corvel corvel-check corvel-lsp RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/man/corvel.1 ${CMAKE_BINARY_DIR}/man/corvel-check.1
        ${CMAKE_BINARY_DIR}/man/corvel-lsp.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md CHANGELOG.md LICENSE docs/language.md docs/cookbook.md docs/checks.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Editor support: every editor's files under share/corvel/editors, and the Vim files also where
# Vim and Neovim look for system-wide additions. The extension's Marketplace page stays out (the
# .vsix carries it), and so do its npm packages: see editors/README.md.
install(DIRECTORY ${CORVEL_VSCODE}/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/corvel/editors/vscode
        PATTERN node_modules EXCLUDE
        PATTERN package.json EXCLUDE
        PATTERN package-lock.json EXCLUDE
        PATTERN README.md EXCLUDE
        PATTERN .vscodeignore EXCLUDE
        PATTERN *.vsix EXCLUDE)
install(FILES ${CORVEL_VSCODE_MANIFEST} DESTINATION ${CMAKE_INSTALL_DATADIR}/corvel/editors/vscode)
foreach(kind syntax ftdetect ftplugin indent)
  foreach(folder corvel/editors/vim vim/vimfiles nvim/site)
    install(FILES editors/vim/${kind}/corvel.vim
            DESTINATION ${CMAKE_INSTALL_DATADIR}/${folder}/${kind})
  endforeach()
endforeach()

# The .vsix for the Marketplace, bundled by esbuild and packaged by vsce from editors/node_modules
# (`make editors`).
add_custom_target(vsix
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_CURRENT_SOURCE_DIR} -DVERSION=${PROJECT_VERSION}
          -DSTAGE=${CMAKE_BINARY_DIR}/vsix -DOUTPUT=${CMAKE_BINARY_DIR}/corvel-${PROJECT_VERSION}.vsix
          -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/vsix.cmake
  VERBATIM)

# The package's dependencies. ICU, libcrypto and libcurl are loaded on first use, so no link of
# the programs shows them: a stub that is linked against them (and never installed) stands in for
# them, and dpkg-shlibdeps finds the packages and versions of everything, on the Debian release
# that builds.
if(NOT CORVEL_SANITIZE AND NOT CORVEL_FUZZ)
  add_executable(corvel-lazy-libraries cmake/lazy_libraries.cc)
  target_link_libraries(corvel-lazy-libraries PRIVATE ICU::uc OpenSSL::Crypto CURL::libcurl)
  if(CORVEL_STATIC_RUNTIME)
    target_link_options(corvel-lazy-libraries PRIVATE -static-libstdc++ -static-libgcc)
  endif()
  set_target_properties(corvel-lazy-libraries PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(DPKG_SHLIBDEPS)
    add_custom_command(
      OUTPUT ${CMAKE_BINARY_DIR}/package-depends.txt
      COMMAND ${CMAKE_COMMAND} -DDPKG_SHLIBDEPS=${DPKG_SHLIBDEPS}
              -DWORK=${CMAKE_BINARY_DIR}/package-depends
              -DOUTPUT=${CMAKE_BINARY_DIR}/package-depends.txt
              "-DPROGRAMS=$<TARGET_FILE:corvel>;$<TARGET_FILE:corvel-check>;$<TARGET_FILE:corvel-lsp>;$<TARGET_FILE:corvel-lazy-libraries>"
              -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/package_depends.cmake
      DEPENDS corvel corvel-check corvel-lsp corvel-lazy-libraries
              ${CMAKE_CURRENT_SOURCE_DIR}/cmake/package_depends.cmake
      VERBATIM)
    add_custom_target(package-depends ALL DEPENDS ${CMAKE_BINARY_DIR}/package-depends.txt)
  endif()
endif()

# `make package`: a Debian package installing to /usr. cmake/cpack_project.cmake adds the
# dependencies and a fixed time when cpack runs; cmake/cpack_staging.cmake finishes the staged
# tree as Debian's tools would (stripped programs, compressed man pages, copyright, changelog);
# cmake/cpack_finish.cmake makes the written package's bytes independent of the umask.
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
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvel maintainers <corvel@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION interpreters)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/cmake/cpack_project.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/cmake/cpack_staging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/cmake/cpack_finish.cmake)
set(CPACK_CORVEL_SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
set(CPACK_CORVEL_DEPENDS_FILE ${CMAKE_BINARY_DIR}/package-depends.txt)
set(CPACK_CORVEL_STRIP ${CMAKE_STRIP})
include(CPack)
