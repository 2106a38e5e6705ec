# Run by cpack on the packages it has written: the modes of a .deb's members follow the umask of
# whoever packaged, so they are set to the same value every time.
find_program(PYTHON3 python3 REQUIRED)
foreach(package ${CPACK_PACKAGE_FILES})
  if(package MATCHES "\\.deb$")
    execute_process(COMMAND "${PYTHON3}" "${CPACK_CORVEL_SOURCE_DIR}/cmake/normalise_archive.py"
                            deb "${package}"
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
