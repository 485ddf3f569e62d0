# pintwise-log's libraries for the Windows build: libzip, libxml2 and
# libxlsxwriter, cross-compiled once per build folder from Debian's source
# packages by scripts/windows-libraries.sh into third_party/prefix, then found
# by the same pkg_check_modules calls as on Linux. It rebuilds them only when
# the script or the toolchain changes; it never looks at the host's own
# libraries.
set(PINTWISE_THIRD_PARTY_DIR ${PROJECT_BINARY_DIR}/third_party)
set(windows_libraries_script ${PROJECT_SOURCE_DIR}/scripts/windows-libraries.sh)
file(SHA256 ${windows_libraries_script} script_hash)
file(SHA256 ${CMAKE_TOOLCHAIN_FILE} toolchain_hash)
set(windows_libraries_stamp "${script_hash} ${toolchain_hash}")
# An edited script reconfigures, which rebuilds the libraries.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${windows_libraries_script})

set(built_stamp "")
if(EXISTS ${PINTWISE_THIRD_PARTY_DIR}/stamp)
    file(STRINGS ${PINTWISE_THIRD_PARTY_DIR}/stamp built_stamp LIMIT_COUNT 1)
endif()
if(NOT built_stamp STREQUAL windows_libraries_stamp)
    set(log ${PINTWISE_THIRD_PARTY_DIR}/build.log)
    file(MAKE_DIRECTORY ${PINTWISE_THIRD_PARTY_DIR})
    message(STATUS "Building libzip, libxml2 and libxlsxwriter for Windows from Debian's sources (once, a few minutes)")
    execute_process(
        COMMAND ${windows_libraries_script} ${PINTWISE_THIRD_PARTY_DIR} ${CMAKE_TOOLCHAIN_FILE} ${windows_libraries_stamp}
        OUTPUT_FILE ${log} ERROR_FILE ${log} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        file(STRINGS ${log} reason REGEX "^windows-libraries: ")
        list(TRANSFORM reason REPLACE "^windows-libraries: " "")
        list(JOIN reason "; " reason)
        message(FATAL_ERROR "The Windows libraries could not be built: ${reason} (the whole log: ${log})")
    endif()
endif()

# pkg-config looks in the prefix and at Debian's zlib for mingw-w64 alone, and
# gives each library's static link line (Libs.private: zlib, advapi32, ws2_32);
# the toolchain finds the target's libraries only under its root paths, and
# only static archives, never zlib's import library for its DLL.
list(APPEND CMAKE_FIND_ROOT_PATH ${PINTWISE_THIRD_PARTY_DIR}/prefix)
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
set(ENV{PKG_CONFIG_LIBDIR} ${PINTWISE_THIRD_PARTY_DIR}/prefix/lib/pkgconfig:/usr/x86_64-w64-mingw32/lib/pkgconfig)
set(PKG_CONFIG_ARGN --static)
