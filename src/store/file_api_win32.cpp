#include "file_api.h"

#include "platform.h"
#include "win32_console.h"
#include "win32_file_support.h"

#include "win32_api.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace pintwise {
namespace {

// The store counts, seeks and compares in 64 bits; so must the seam
// (_FILE_OFFSET_BITS=64, set by src/store/CMakeLists.txt), or a file past
// 2 GiB would read as a small one instead of too large.
static_assert(sizeof(off_t) == 8, "off_t must be 64-bit on Windows");
static_assert(sizeof(static_cast<struct stat*>(nullptr)->st_size) == 8, "st_size must be 64-bit on Windows");

OVERLAPPED at(off_t offset)
{
    OVERLAPPED overlapped {};
    const auto position = static_cast<std::uint64_t>(offset);
    overlapped.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
    overlapped.OffsetHigh = static_cast<DWORD>(position >> 32);
    return overlapped;
}

// One ReadFile or WriteFile moves at most this much; the store loops over a
// short count as it does on Linux.
constexpr DWORD kMaxTransfer = 1u << 30;

// The store's file calls over the Win32 wide-character API, with small-int
// descriptors standing for HANDLEs. It maps only what the store asks for:
// flags it never passes are refused with EINVAL rather than half honoured.
class Win32FileApi final : public FileApi {
public:
    int open(const char* path, int flags, mode_t mode) override
    {
        if ((flags & ~(O_ACCMODE | O_CREAT | O_EXCL | O_TRUNC | O_CLOEXEC | O_DIRECTORY)) != 0)
            return failWithErrno(EINVAL);
        std::wstring widePath;
        if (!toWide(path, widePath))
            return failWith(GetLastError());
        if ((flags & O_DIRECTORY) != 0)
            return openDirectory(widePath);

        const int access = flags & O_ACCMODE;
        const DWORD desired = access == O_RDONLY ? GENERIC_READ
            : access == O_WRONLY                 ? GENERIC_WRITE
                                                 : GENERIC_READ | GENERIC_WRITE;
        // A writer lets others read but not write: Windows itself then refuses
        // a second copy of the program (ERROR_SHARING_VIOLATION), in any
        // process and for exactly as long as this handle lives, while a
        // reader such as "pintwise-log check" still opens the log. A reader
        // lets everyone in, the writer included.
        const DWORD share = access == O_RDONLY ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
        const bool create = (flags & O_CREAT) != 0;
        const bool truncate = (flags & O_TRUNC) != 0;
        const DWORD disposition = !create ? (truncate ? TRUNCATE_EXISTING : OPEN_EXISTING)
            : (flags & O_EXCL) != 0       ? CREATE_NEW
            : truncate                    ? CREATE_ALWAYS
                                          : OPEN_ALWAYS;
        const DWORD attributes = create && (mode & 0200) == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
        // No security attributes: the handle is not inherited by child processes.
        HANDLE handle = CreateFileW(widePath.c_str(), desired, share, nullptr, disposition, attributes, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            // Windows refuses to open a folder as a file with "access
            // denied"; the user is told what is in the way, as on Linux.
            const DWORD found = error == ERROR_ACCESS_DENIED ? GetFileAttributesW(widePath.c_str()) : 0;
            if (found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY) != 0)
                return failWithErrno(EISDIR);
            return failWith(error);
        }
        const bool existed = !create || GetLastError() == ERROR_ALREADY_EXISTS;

        // Windows refuses to write a read-only file even to an administrator;
        // Wine run as root (as CI does) lets root write it, as Linux would.
        // Checking the attribute makes both refuse alike.
        if ((desired & GENERIC_WRITE) != 0 && existed) {
            BY_HANDLE_FILE_INFORMATION info {};
            const DWORD error = !GetFileInformationByHandle(handle, &info) ? GetLastError()
                : (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0   ? ERROR_ACCESS_DENIED
                                                                           : NO_ERROR;
            if (error != NO_ERROR) {
                CloseHandle(handle);
                return failWith(error);
            }
        }
        return add(handle, false);
    }

    int fstat(int fd, struct stat* status) override
    {
        const Entry entry = find(fd);
        if (entry.handle == INVALID_HANDLE_VALUE)
            return -1;
        *status = {};
        const DWORD type = GetFileType(entry.handle);
        if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR)
            return failWith(GetLastError());
        if (type != FILE_TYPE_DISK) {
            status->st_mode = type == FILE_TYPE_CHAR ? S_IFCHR : S_IFIFO;
            return 0;
        }
        BY_HANDLE_FILE_INFORMATION info {};
        if (!GetFileInformationByHandle(entry.handle, &info))
            return failWith(GetLastError());
        status->st_mode = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? S_IFDIR : S_IFREG;
        status->st_nlink = static_cast<decltype(status->st_nlink)>(info.nNumberOfLinks);
        const std::uint64_t size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        status->st_size = static_cast<off_t>(std::min<std::uint64_t>(size, INT64_MAX));
        return 0;
    }

    ssize_t pread(int fd, void* buffer, size_t count, off_t offset) override
    {
        if (offset < 0)
            return failWithErrno(EINVAL);
        const Entry entry = find(fd);
        if (entry.handle == INVALID_HANDLE_VALUE)
            return -1;
        OVERLAPPED where = at(offset);
        DWORD done = 0;
        if (!ReadFile(entry.handle, buffer, static_cast<DWORD>(std::min<size_t>(count, kMaxTransfer)), &done, &where)) {
            const DWORD error = GetLastError();
            return error == ERROR_HANDLE_EOF ? 0 : failWith(error);
        }
        return static_cast<ssize_t>(done);
    }

    ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) override
    {
        if (offset < 0)
            return failWithErrno(EINVAL);
        const Entry entry = find(fd);
        if (entry.handle == INVALID_HANDLE_VALUE)
            return -1;
        OVERLAPPED where = at(offset);
        DWORD done = 0;
        if (!WriteFile(entry.handle, buffer, static_cast<DWORD>(std::min<size_t>(count, kMaxTransfer)), &done, &where))
            return failWith(GetLastError());
        return static_cast<ssize_t>(done);
    }

    int fdatasync(int fd) override { return flush(fd); }
    int fsync(int fd) override { return flush(fd); }

    int fallocate(int fd, int mode, off_t offset, off_t length) override
    {
        if (mode != FALLOC_FL_KEEP_SIZE)
            return failWithErrno(EOPNOTSUPP);
        if (offset < 0 || length <= 0)
            return failWithErrno(EINVAL);
        const Entry entry = find(fd);
        if (entry.handle == INVALID_HANDLE_VALUE)
            return -1;
        // Windows reserves from the start of the file, up to a size: the end
        // of the range. A smaller size than the file's would cut it short,
        // so a range already covered is left alone.
        FILE_STANDARD_INFO standard {};
        if (!GetFileInformationByHandleEx(entry.handle, FileStandardInfo, &standard, sizeof standard))
            return failWith(GetLastError());
        const std::int64_t end = offset + length;
        if (end <= standard.AllocationSize.QuadPart)
            return 0;
        FILE_ALLOCATION_INFO allocation {};
        allocation.AllocationSize.QuadPart = end;
        if (SetFileInformationByHandle(entry.handle, FileAllocationInfo, &allocation, sizeof allocation))
            return 0;
        // Wine reserves nothing (ERROR_CALL_NOT_IMPLEMENTED), nor do some
        // network redirectors: as on a Linux file system without fallocate,
        // the store then writes without a reservation. A full disk is still
        // ENOSPC, so the save fails before a byte of it is written.
        const DWORD error = GetLastError();
        switch (error) {
        case ERROR_CALL_NOT_IMPLEMENTED:
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION:
        case ERROR_INVALID_PARAMETER:
            return failWithErrno(EOPNOTSUPP);
        default:
            return failWith(error);
        }
    }

    int ftruncate(int fd, off_t length) override
    {
        if (length < 0)
            return failWithErrno(EINVAL);
        const Entry entry = find(fd);
        if (entry.handle == INVALID_HANDLE_VALUE)
            return -1;
        FILE_END_OF_FILE_INFO endOfFile {};
        endOfFile.EndOfFile.QuadPart = length;
        if (!SetFileInformationByHandle(entry.handle, FileEndOfFileInfo, &endOfFile, sizeof endOfFile))
            return failWith(GetLastError());
        return 0;
    }

    int flock(int fd, int /*operation*/) override
    {
        // The share mode a writer opens with already keeps every other writer
        // out, the way the lock does on Linux.
        return find(fd).handle == INVALID_HANDLE_VALUE ? -1 : 0;
    }

    int close(int fd) override
    {
        HANDLE handle = INVALID_HANDLE_VALUE;
        {
            const std::lock_guard lock(m_mutex);
            if (fd < kStandardCount || static_cast<std::size_t>(fd) >= m_entries.size()
                || m_entries[static_cast<std::size_t>(fd)].handle == INVALID_HANDLE_VALUE)
                return failWithErrno(EBADF);
            handle = std::exchange(m_entries[static_cast<std::size_t>(fd)].handle, INVALID_HANDLE_VALUE);
            // The number and the handle's value may name other files next.
            m_consoles.erase(handle);
            m_consoleText.erase(fd);
        }
        return CloseHandle(handle) ? 0 : failWith(GetLastError());
    }

    ssize_t read(int fd, void* buffer, size_t count) override
    {
        const Entry entry = find(fd);
        if (entry.handle == INVALID_HANDLE_VALUE)
            return -1;
        DWORD done = 0;
        if (!ReadFile(entry.handle, buffer, static_cast<DWORD>(std::min<size_t>(count, kMaxTransfer)), &done,
                      nullptr)) {
            const DWORD error = GetLastError();
            // A pipe whose writer is gone has simply ended.
            return error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF ? 0 : failWith(error);
        }
        return static_cast<ssize_t>(done);
    }

    ssize_t write(int fd, const void* buffer, size_t count) override
    {
        const Entry entry = find(fd);
        if (entry.handle == INVALID_HANDLE_VALUE)
            return -1;
        if (isConsole(entry.handle))
            return writeConsole(fd, entry.handle, buffer, count);
        DWORD done = 0;
        if (!WriteFile(entry.handle, buffer, static_cast<DWORD>(std::min<size_t>(count, kMaxTransfer)), &done, nullptr))
            return failWith(GetLastError());
        return static_cast<ssize_t>(done);
    }

    int isatty(int fd) override
    {
        const Entry entry = find(fd);
        if (entry.handle != INVALID_HANDLE_VALUE && isConsole(entry.handle))
            return 1;
        errno = ENOTTY;
        return 0;
    }

    int unlink(const char* path) override
    {
        std::wstring widePath;
        if (!toWide(path, widePath))
            return failWith(GetLastError());
        return DeleteFileW(widePath.c_str()) ? 0 : failWith(GetLastError());
    }

private:
    // All of `count` is taken: a character cut off at the end is kept
    // until the rest of it comes.
    ssize_t writeConsole(int fd, HANDLE console, const void* buffer, size_t count)
    {
        std::wstring text;
        {
            const std::lock_guard lock(m_mutex);
            text = m_consoleText[fd].take(std::string_view(static_cast<const char*>(buffer), count));
        }
        for (std::size_t done = 0; done < text.size();) {
            DWORD written = 0;
            const auto length = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 16384));
            if (!WriteConsoleW(console, text.data() + done, length, &written, nullptr) || written == 0)
                return failWith(GetLastError());
            done += written;
        }
        return static_cast<ssize_t>(count);
    }

    // Asked of Windows once per handle: each GetConsoleMode is a round trip
    // to the console's host, and an export writes many buffers.
    bool isConsole(HANDLE handle)
    {
        const std::lock_guard lock(m_mutex);
        const auto known = m_consoles.find(handle);
        if (known != m_consoles.end())
            return known->second;
        DWORD mode = 0;
        return m_consoles[handle] = GetConsoleMode(handle, &mode) != FALSE;
    }

    struct Entry {
        HANDLE handle = INVALID_HANDLE_VALUE;
        bool directory = false;
    };

    // The store opens its directory only to make a new file's name durable,
    // as fsync on a Linux directory does. Windows has no such call for a
    // directory (FlushFileBuffers refuses one): NTFS records the new name in
    // its metadata journal itself. So the directory is opened only to prove
    // it is there, and its sync does nothing.
    int openDirectory(const std::wstring& path)
    {
        HANDLE handle
            = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return failWith(GetLastError());
        BY_HANDLE_FILE_INFORMATION info {};
        if (!GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            CloseHandle(handle);
            return failWithErrno(ENOTDIR);
        }
        return add(handle, true);
    }

    int flush(int fd)
    {
        const Entry entry = find(fd);
        if (entry.handle == INVALID_HANDLE_VALUE)
            return -1;
        if (entry.directory)
            return 0; // see openDirectory()
        return FlushFileBuffers(entry.handle) ? 0 : failWith(GetLastError());
    }

    int add(HANDLE handle, bool directory)
    {
        const std::lock_guard lock(m_mutex);
        auto free = std::find_if(m_entries.begin() + kStandardCount, m_entries.end(),
                                 [](const Entry& entry) { return entry.handle == INVALID_HANDLE_VALUE; });
        if (free == m_entries.end())
            free = m_entries.insert(m_entries.end(), Entry {});
        *free = Entry { handle, directory };
        return static_cast<int>(free - m_entries.begin());
    }

    // The descriptor's entry, or one with no handle and errno set to EBADF.
    Entry find(int fd)
    {
        if (fd >= 0 && fd < kStandardCount) {
            static constexpr DWORD kStandard[] = { STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE };
            HANDLE handle = GetStdHandle(kStandard[fd]);
            if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
                return Entry { handle, false };
            errno = EBADF;
            return {};
        }
        const std::lock_guard lock(m_mutex);
        if (fd >= 0 && static_cast<std::size_t>(fd) < m_entries.size()
            && m_entries[static_cast<std::size_t>(fd)].handle != INVALID_HANDLE_VALUE)
            return m_entries[static_cast<std::size_t>(fd)];
        errno = EBADF;
        return {};
    }

    // 0, 1 and 2 stand for the process's standard handles, asked for at
    // each call; the table hands out the numbers after them, and close()
    // leaves the three alone.
    static constexpr int kStandardCount = 3;

    std::mutex m_mutex;
    std::vector<Entry> m_entries = std::vector<Entry>(kStandardCount);
    std::map<int, ConsoleText> m_consoleText;
    std::map<HANDLE, bool> m_consoles;
};

} // namespace

FileApi& systemFileApi()
{
    static Win32FileApi api;
    return api;
}

} // namespace pintwise
