# Run by cpack on the staged tree before it packs it: what Debian's own tools (dh_strip,
# dh_compress, dh_installdocs, dh_installchangelogs, dh_lintian) do for a distribution build.
set(usr "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${usr}/share/doc/${CPACK_PACKAGE_NAME}")
set(debian "${CPACK_CORVEL_SOURCE_DIR}/debian")

# Symbols, debugging sections and the compilers' identification strings serve nobody at run time.
file(GLOB programs "${usr}/bin/*")
foreach(program ${programs})
  execute_process(COMMAND "${CPACK_CORVEL_STRIP}" --remove-section=.comment --remove-section=.note
                          "${program}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# Without a time or a name in them, so that the same text compresses to the same bytes.
file(GLOB_RECURSE pages "${usr}/share/man/*.[1-9]")
foreach(page ${pages})
  execute_process(COMMAND gzip -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# The copyright file holds the licence, so LICENSE itself would be a second copy.
file(REMOVE "${doc}/LICENSE")
file(COPY_FILE "${debian}/copyright" "${doc}/copyright")
execute_process(COMMAND gzip -9nc "${debian}/changelog" OUTPUT_FILE "${doc}/changelog.gz"
                COMMAND_ERROR_IS_FATAL ANY)
file(CHMOD "${doc}/copyright" "${doc}/changelog.gz"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(overrides "${usr}/share/lintian/overrides/${CPACK_PACKAGE_NAME}")
file(MAKE_DIRECTORY "${usr}/share/lintian/overrides")
file(COPY_FILE "${debian}/corvel.lintian-overrides" "${overrides}")
file(CHMOD "${overrides}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# Every folder readable by everyone, whatever the umask of whoever packages (dh_fixperms).
file(GLOB_RECURSE folders LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(folder ${folders})
  if(IS_DIRECTORY "${folder}")
    file(CHMOD "${folder}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
         GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
