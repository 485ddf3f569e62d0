#include "file_api.h"

#include "platform.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace pintwise {
namespace {

class SystemFileApi final : public FileApi {
public:
    int open(const char* path, int flags, mode_t mode) override { return ::open(path, flags, mode); }
    int fstat(int fd, struct stat* status) override { return ::fstat(fd, status); }
    ssize_t pread(int fd, void* buffer, size_t count, off_t offset) override
    {
        return ::pread(fd, buffer, count, offset);
    }
    ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) override
    {
        return ::pwrite(fd, buffer, count, offset);
    }
    int fdatasync(int fd) override { return ::fdatasync(fd); }
    int fsync(int fd) override { return ::fsync(fd); }
    int fallocate(int fd, int mode, off_t offset, off_t length) override
    {
        return ::fallocate(fd, mode, offset, length);
    }
    int ftruncate(int fd, off_t length) override { return ::ftruncate(fd, length); }
    int flock(int fd, int operation) override { return ::flock(fd, operation); }
    int close(int fd) override { return ::close(fd); }
    ssize_t read(int fd, void* buffer, size_t count) override { return ::read(fd, buffer, count); }
    ssize_t write(int fd, const void* buffer, size_t count) override { return ::write(fd, buffer, count); }
    int isatty(int fd) override { return ::isatty(fd); }
    int unlink(const char* path) override { return ::unlink(path); }
};

} // namespace

FileApi& systemFileApi()
{
    static SystemFileApi api;
    return api;
}

std::string executablePath(std::error_code& reason)
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) {
        reason = std::error_code(length < 0 ? errno : ENAMETOOLONG, std::generic_category());
        return {};
    }
    return std::string(path, static_cast<std::size_t>(length));
}

std::string libraryPath(const std::string& path, std::error_code& /*reason*/)
{
    return path;
}

std::string temporaryDirectory(std::error_code& /*reason*/)
{
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

} // namespace pintwise
