#pragma once

#include "file_api.h"

#include <cerrno>
#include <optional>

// A FileApi that passes every call to the real one, counts them, and fails
// exactly one of them on demand: the N-th call overall, or the N-th call of
// one kind. The failed call does nothing and reports `error` through errno.

namespace pintwise {

class FaultyFileApi final : public FileApi {
public:
    enum class Call {
        Open,
        Fstat,
        Pread,
        Pwrite,
        Fdatasync,
        Fsync,
        Fallocate,
        Ftruncate,
        Flock,
        Close,
        Read,
        Write,
        Isatty,
        Unlink
    };

    FaultyFileApi() = default;
    // Fails the first call of this kind with `error`.
    FaultyFileApi(Call call, int errorValue)
        : failAt(1)
        , onlyCall(call)
        , error(errorValue)
    {
    }

    int failAt = 0;               // 1-based; 0 never fails
    std::optional<Call> onlyCall; // count only calls of this kind
    int error = EIO;

    int calls = 0;                  // calls counted so far
    std::optional<Call> failedCall; // the call that was failed, if any

    int open(const char* path, int flags, mode_t mode) override
    {
        return shouldFail(Call::Open) ? -1 : m_real.open(path, flags, mode);
    }
    int fstat(int fd, struct stat* status) override { return shouldFail(Call::Fstat) ? -1 : m_real.fstat(fd, status); }
    ssize_t pread(int fd, void* buffer, size_t count, off_t offset) override
    {
        return shouldFail(Call::Pread) ? -1 : m_real.pread(fd, buffer, count, offset);
    }
    ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) override
    {
        return shouldFail(Call::Pwrite) ? -1 : m_real.pwrite(fd, buffer, count, offset);
    }
    int fdatasync(int fd) override { return shouldFail(Call::Fdatasync) ? -1 : m_real.fdatasync(fd); }
    int fsync(int fd) override { return shouldFail(Call::Fsync) ? -1 : m_real.fsync(fd); }
    int fallocate(int fd, int mode, off_t offset, off_t length) override
    {
        return shouldFail(Call::Fallocate) ? -1 : m_real.fallocate(fd, mode, offset, length);
    }
    int ftruncate(int fd, off_t length) override
    {
        return shouldFail(Call::Ftruncate) ? -1 : m_real.ftruncate(fd, length);
    }
    int flock(int fd, int operation) override { return shouldFail(Call::Flock) ? -1 : m_real.flock(fd, operation); }
    int close(int fd) override
    {
        // A failed close still releases the descriptor, as on Linux.
        if (shouldFail(Call::Close)) {
            m_real.close(fd);
            return -1;
        }
        return m_real.close(fd);
    }
    ssize_t read(int fd, void* buffer, size_t count) override
    {
        return shouldFail(Call::Read) ? -1 : m_real.read(fd, buffer, count);
    }
    ssize_t write(int fd, const void* buffer, size_t count) override
    {
        return shouldFail(Call::Write) ? -1 : m_real.write(fd, buffer, count);
    }
    int isatty(int fd) override { return shouldFail(Call::Isatty) ? 0 : m_real.isatty(fd); }
    int unlink(const char* path) override { return shouldFail(Call::Unlink) ? -1 : m_real.unlink(path); }

private:
    bool shouldFail(Call call)
    {
        if (onlyCall && *onlyCall != call)
            return false;
        if (++calls != failAt)
            return false;
        failedCall = call;
        errno = error;
        return true;
    }

    FileApi& m_real = systemFileApi();
};

} // namespace pintwise
