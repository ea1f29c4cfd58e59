# SPDX-License-Identifier: GPL-3.0-or-later
# Debian's hardening, as dpkg-buildflags gives it to every package: _FORTIFY_SOURCE, the stack protector,
# format checks, and linking with -z relro -z now; PIE as well, which Debian's compiler makes by default.
# Asked of dpkg-buildflags itself, so that the flags stay those of the Debian release that builds; the build
# type keeps choosing optimisation and debug information.
find_program(TRELVICK_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT TRELVICK_DPKG_BUILDFLAGS)
    message(FATAL_ERROR "TRELVICK_HARDENING needs dpkg-buildflags (Debian package dpkg-dev)")
endif()

# trelvick_buildflags(VARIABLE out): dpkg-buildflags --get VARIABLE, every hardening feature on (bindnow is
# not on by default), as a list without -O and -g.
function(trelvick_buildflags variable out)
    set(options $ENV{DEB_BUILD_MAINT_OPTIONS} hardening=+all)
    list(JOIN options " " options)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=${options}" ${TRELVICK_DPKG_BUILDFLAGS} --get ${variable}
        # The file-name map (-ffile-prefix-map) is made from the folder it runs in.
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE flags
        OUTPUT_STRIP_TRAILING_WHITESPACE
        COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-(O|g)")
    set(${out} ${flags} PARENT_SCOPE)
endfunction()

trelvick_buildflags(CPPFLAGS trelvick_cppflags)
trelvick_buildflags(CXXFLAGS trelvick_cxxflags)
trelvick_buildflags(LDFLAGS trelvick_ldflags)
string(JOIN " " trelvick_shown ${trelvick_cppflags} ${trelvick_cxxflags} ${trelvick_ldflags})
message(STATUS "Hardening from dpkg-buildflags: ${trelvick_shown}")
add_compile_options(${trelvick_cppflags} ${trelvick_cxxflags})
add_link_options(${trelvick_ldflags})

set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()
