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
};

// The real system calls. One shared instance serves everyone.
FileApi& systemFileApi();

// The running executable's full path in UTF-8, or empty with `reason` set.
std::string executablePath(std::error_code& reason);

} // namespace pintwise
