# Hardening, on by default: the flags distributions build their packages with. A distribution
# build turns CORVEL_HARDENING off and passes its own flags (dpkg-buildflags) instead.
include(CheckCXXCompilerFlag)
include(CheckPIESupported)

check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_compile_options(-fstack-protector-strong)
# Not every target has these (control-flow protection is x86 only).
check_cxx_compiler_flag(-fstack-clash-protection CORVEL_HAS_STACK_CLASH_PROTECTION)
if(CORVEL_HAS_STACK_CLASH_PROTECTION)
  add_compile_options(-fstack-clash-protection)
endif()
check_cxx_compiler_flag(-fcf-protection CORVEL_HAS_CF_PROTECTION)
if(CORVEL_HAS_CF_PROTECTION)
  add_compile_options(-fcf-protection)
endif()
# The checked string and memory functions, level 3 also where a buffer's size is known only at run
# time (one the code has just allocated). They need the optimiser, so Debug builds go without; so
# do the sanitizer builds, whose own checks replace them. A compiler that defines the macro itself
# is overruled rather than warned about.
if(NOT CORVEL_SANITIZE AND NOT CORVEL_FUZZ)
  add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=3>")
endif()
# Relocations read-only once loaded, and every symbol bound at start-up.
add_link_options(LINKER:-z,relro LINKER:-z,now)
