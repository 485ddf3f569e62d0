#pragma once

#include <sys/stat.h>
#include <sys/types.h>

// The narrow seam between the log store and the operating system: every call
// the store makes on the data file (and on its directory) goes through here.
// The program uses the real calls; tests substitute one that fails on demand.
//
// Each call follows the POSIX convention: -1 (or an error value) with errno set.

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

// The real system calls. Stateless, so one shared instance serves everyone.
FileApi& systemFileApi();

} // namespace pintwise
