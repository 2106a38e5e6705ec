# Writes the Depends field of the Debian package to OUTPUT: dpkg-shlibdeps (DPKG_SHLIBDEPS) on the
# PROGRAMS, run in WORK, which it needs to hold a debian/control naming the package.
# Usage: cmake -DDPKG_SHLIBDEPS=... -DWORK=... -DOUTPUT=... -DPROGRAMS="a;b" -P package_depends.cmake
file(MAKE_DIRECTORY ${WORK}/debian)
file(WRITE ${WORK}/debian/control
     "Source: corvel\n\nPackage: corvel\nArchitecture: any\n")
# Hard links in a staged package tree (one with a DEBIAN folder), which is where dpkg-shlibdeps
# expects them; it sees through symbolic links.
set(staged ${WORK}/debian/corvel/usr/bin)
file(REMOVE_RECURSE ${staged})
file(MAKE_DIRECTORY ${staged} ${WORK}/debian/corvel/DEBIAN)
set(arguments)
foreach(program ${PROGRAMS})
  get_filename_component(name ${program} NAME)
  file(CREATE_LINK ${program} ${staged}/${name} COPY_ON_ERROR)
  list(APPEND arguments -e${staged}/${name})
endforeach()
execute_process(COMMAND ${DPKG_SHLIBDEPS} -O ${arguments}
                WORKING_DIRECTORY ${WORK}
                OUTPUT_VARIABLE substvars
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "dpkg-shlibdeps failed (status ${status})")
endif()
string(REGEX MATCH "shlibs:Depends=([^\n]*)" found "${substvars}")
if(NOT found)
  message(FATAL_ERROR "dpkg-shlibdeps printed no dependencies: ${substvars}")
endif()
file(WRITE ${OUTPUT} "${CMAKE_MATCH_1}\n")
