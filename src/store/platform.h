#pragma once

#include <cerrno>
#include <fcntl.h>

// The one place that knows which system the store is built for: the POSIX
// names of the flags the store passes through FileApi, and the path
// separator. Linux has every flag; Windows' C library lacks a few, given
// here values no Windows flag uses, which only file_api_win32.cpp reads.
// Nothing here calls the system.

#ifdef _WIN32
// Win32 handles are never inherited unless asked for: every descriptor is
// close-on-exec already.
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_DIRECTORY
#define O_DIRECTORY 0x200000
#endif
#ifndef LOCK_SH
#define LOCK_SH 1
#define LOCK_EX 2
#define LOCK_NB 4
#define LOCK_UN 8
#endif
#ifndef FALLOC_FL_KEEP_SIZE
#define FALLOC_FL_KEEP_SIZE 1
#endif
#else
#include <sys/file.h>
#endif

namespace pintwise {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
// Windows takes either separator in a path, and a root names its drive: "X:\".
inline constexpr const char* kPathSeparators = "\\/";
inline constexpr bool kRootHasDrive = true;
// A library that opens files by name with the C library's fopen() is handed
// the name in the ANSI code page, which may lack its characters
// (libraryPath() in file_api.h).
inline constexpr bool kFopenTakesUtf8 = false;
#else
inline constexpr char kPathSeparator = '/';
inline constexpr const char* kPathSeparators = "/";
inline constexpr bool kRootHasDrive = false;
inline constexpr bool kFopenTakesUtf8 = true;
#endif

} // namespace pintwise
