# Read by cpack as it packages: what exists only once the project is built, and a fixed time.

if(CPACK_GENERATOR STREQUAL "DEB")
  if(NOT EXISTS "${CPACK_CORVEL_DEPENDS_FILE}")
    message(FATAL_ERROR "${CPACK_CORVEL_DEPENDS_FILE} is missing: build the project first "
                        "(its package-depends target needs dpkg-shlibdeps, from dpkg-dev)")
  endif()
  file(READ "${CPACK_CORVEL_DEPENDS_FILE}" depends)
  string(STRIP "${depends}" CPACK_DEBIAN_PACKAGE_DEPENDS)
endif()

# Every time stamp in the package is this one, so that one commit always gives the same bytes: the
# time of the last commit, or, outside a git checkout (a source tarball), of the last changelog
# entry. A SOURCE_DATE_EPOCH set by the caller wins.
# (A tarball unpacked inside some other checkout must not take that one's time.)
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(status 1)
  if(EXISTS "${CPACK_CORVEL_SOURCE_DIR}/.git")
    execute_process(COMMAND git -C "${CPACK_CORVEL_SOURCE_DIR}" log -1 --format=%ct
                    OUTPUT_VARIABLE epoch RESULT_VARIABLE status
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT status EQUAL 0 OR NOT epoch)
    execute_process(COMMAND dpkg-parsechangelog -l "${CPACK_CORVEL_SOURCE_DIR}/debian/changelog"
                            -STimestamp
                    OUTPUT_VARIABLE epoch RESULT_VARIABLE status
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(status EQUAL 0 AND epoch)
    set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
  endif()
endif()
