#pragma once

#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <system_error>

// The narrow seam between the log store and the operating system: every call
// the store makes on the data file (and on its directory) goes through here.
// The program uses the real calls; tests substitute one that fails on demand.
//
// Each call follows the POSIX convention: -1 (or an error value) with errno
// set. Paths are UTF-8 and flags are POSIX's (platform.h) on every system:
// file_api.cpp passes them to Linux, file_api_win32.cpp maps them to Win32.

namespace pintwise {

class FileApi {
public:
    virtual ~FileApi() = default;

    virtual int open(const char* path, int flags, mode_t mode) = 0;
    virtual int fstat(int fd, struct stat* status) = 0;
    virtual ssize_t pread(int fd, void* buffer, size_t count, off_t offset) = 0;
    virtual ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) = 0;
    virtual int fdatasync(int fd) = 0;
    virtual int fsync(int fd) = 0;
    // Linux fallocate(2): `mode` 0 allocates and may grow the file,
    // FALLOC_FL_KEEP_SIZE allocates without changing its length.
    virtual int fallocate(int fd, int mode, off_t offset, off_t length) = 0;
    virtual int ftruncate(int fd, off_t length) = 0;
    virtual int flock(int fd, int operation) = 0;
    virtual int close(int fd) = 0;

    // What pintwise-log adds: files and pipes read and written in order,
    // from where they stand. Descriptors 0, 1 and 2 are standard input,
    // output and error on every system. On Windows a console is written as
    // text: the UTF-8 given arrives as the characters it spells, whatever
    // the console's code page.
    virtual ssize_t read(int fd, void* buffer, size_t count) = 0;
    virtual ssize_t write(int fd, const void* buffer, size_t count) = 0;
    // 1 for a terminal (on Windows a console), else 0 with errno set.
    virtual int isatty(int fd) = 0;
    virtual int unlink(const char* path) = 0;
};

// The real system calls. One shared instance serves everyone.
FileApi& systemFileApi();

// The running executable's full path in UTF-8, or empty with `reason` set.
std::string executablePath(std::error_code& reason);

// `path` as a library that opens files by name with the C library's fopen()
// takes it: the UTF-8 itself on Linux; on Windows, whose C library reads a
// name in the ANSI code page, that page's bytes, or the file's short 8.3
// name where the page lacks a character (so the file must exist). Empty,
// with `reason` set, when neither can name it.
std::string libraryPath(const std::string& path, std::error_code& reason);

// The folder for temporary files, in UTF-8 and without a separator at the
// end: TMPDIR or /tmp on Linux, GetTempPathW's on Windows.
std::string temporaryDirectory(std::error_code& reason);

} // namespace pintwise
