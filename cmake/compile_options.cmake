# The compile options every target of the project is built with, in one INTERFACE target that
# each library, program, test and benchmark links: the warnings, warnings as errors where asked
# (CI asks), and Debian's hardening flags.
add_library(pos_compile_options INTERFACE)

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(pos_compile_options INTERFACE
        -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wnon-virtual-dtor)
endif()
# GCC's guess that a std::optional's value "may be used uninitialized" comes from its optimiser
# and misfires on Qt's strings inside optionals (MinGW's GCC 12 at -O2): not a warning to fail on.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(pos_compile_options INTERFACE -Wno-maybe-uninitialized)
endif()

# On by default where CI runs the build (CI=true), so that every build CI makes, the Linux, the
# sanitizers', the fuzz targets' and the Windows one, fails on a warning.
set(warnings_as_errors_default OFF)
if("$ENV{CI}" STREQUAL "true")
    set(warnings_as_errors_default ON)
endif()
option(CORVALANE_WARNINGS_AS_ERRORS "Fail the build on any compiler warning" ${warnings_as_errors_default})
if(CORVALANE_WARNINGS_AS_ERRORS AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(pos_compile_options INTERFACE -Werror)
endif()

# Debian's hardening flags (dpkg-buildflags with bindnow): checked buffer functions where the
# build optimises, stack protection, stack clash protection (a large frame cannot jump the guard
# page), the processor's control-flow protection where it has one (x86), a read-only relocation
# table bound at start. Left out under the sanitizers, which check memory themselves and do not
# go with the checked functions.
option(CORVALANE_HARDENING "Build with Debian's hardening flags on Linux (never under the sanitizers)" ON)
if(CORVALANE_HARDENING AND CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang"
   AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    target_compile_options(pos_compile_options INTERFACE -fstack-protector-strong)
    include(CheckCXXCompilerFlag)
    foreach(flag IN ITEMS -fstack-clash-protection -fcf-protection)
        string(MAKE_C_IDENTIFIER "CORVALANE_HAS${flag}" has_flag)
        check_cxx_compiler_flag(${flag} ${has_flag})
        if(${has_flag})
            target_compile_options(pos_compile_options INTERFACE ${flag})
        endif()
    endforeach()
    target_compile_definitions(pos_compile_options INTERFACE
        $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
    target_link_options(pos_compile_options INTERFACE LINKER:-z,relro LINKER:-z,now)
endif()
