#pragma once

#include "file_api.h"
#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

// A FileApi that is a disk: it holds one data file and its directory in
// memory, keeping what has been synced apart from what was only written, so a
// test can cut the power at any call and see every state the disk could come
// back in. It can also fail one chosen call, as a failing disk would.
//
// It models only the calls the log store makes, on one file; it knows nothing
// of permissions, other files or several descriptors writing at once.
//
// What survives a power cut. Everything synced survives. Each change made
// since the file's last fdatasync or fsync may survive or not, independently
// of the others (a later one without an earlier one); those that survive
// land in the order they were made:
//  - Bytes written inside the length the file has on disk survive sector by
//    sector: each 512-byte sector a write touches holds its old bytes or its
//    new ones. A sector is the unit a disk writes whole; between sectors it
//    keeps no promise, and it may write a later sector before an earlier one.
//  - Bytes written past that length survive only all together, and only with
//    the new length; otherwise the file keeps its old length. This is what
//    ext4 (data=ordered) and XFS guarantee: the length on disk is raised only
//    once the data it newly covers has reached the disk, so a crash exposes
//    the old length or the new data, never a tail the write had not filled.
//  - A length changed by itself (ftruncate, or fallocate without
//    FALLOC_FL_KEEP_SIZE, which grows the file with zeros) is a metadata
//    change of its own: it may survive while the data later written into the
//    new stretch does not, which then reads as zeros. fallocate with
//    FALLOC_FL_KEEP_SIZE changes nothing anyone can read.
//  - A file created since its directory was last synced may be missing.
// A call that fails on cue does nothing. The crash call is never made, and
// from then on every call fails with EIO and changes nothing.

namespace pintwise {

class PowerLossFileApi final : public FileApi {
public:
    enum class Call { Open, Fstat, Pread, Pwrite, Fdatasync, Fsync, Fallocate, Ftruncate, Flock, Close };
    static constexpr std::size_t kSectorSize = 512;

    // The disk as it comes back after the crash: no file, or its bytes.
    using Image = std::optional<std::vector<unsigned char>>;
    enum class Keep { Random, Nothing, Everything };

    PowerLossFileApi(std::string directory, const std::string& fileName)
        : m_directory(std::move(directory))
        , m_path(m_directory + kPathSeparator + fileName)
    {
    }

    int crashAt = 0; // 1-based number of the call that never happens; 0 never crashes
    int calls = 0;   // calls made or attempted so far
    bool crashed() const { return m_crashed; }

    // The next call of this kind fails with `error` and does nothing; none: no call fails.
    void failNext(std::optional<Call> call, int error = EIO)
    {
        m_failNext = call ? std::optional(std::pair(*call, error)) : std::nullopt;
    }

    // One state the disk may come back in after the crash (or now, with no crash).
    Image image(Keep keep, std::mt19937& random) const
    {
        const auto coin = [&] { return keep == Keep::Everything || (keep == Keep::Random && (random() & 1U) != 0); };
        if (!m_durableExists && !(m_exists && coin()))
            return std::nullopt;
        std::vector<unsigned char> bytes = m_durable;
        for (const Change& change : m_pending) {
            if (!change.isWrite) {
                if (coin())
                    bytes.resize(change.length, 0);
                continue;
            }
            // Sector by sector inside the length the disk has so far, then
            // the stretch past it as one piece with its length.
            const std::size_t oldLength = bytes.size();
            const std::size_t end = change.offset + change.bytes.size();
            const auto copy = [&](std::size_t from, std::size_t to) {
                std::copy(change.bytes.begin() + static_cast<std::ptrdiff_t>(from - change.offset),
                          change.bytes.begin() + static_cast<std::ptrdiff_t>(to - change.offset),
                          bytes.begin() + static_cast<std::ptrdiff_t>(from));
            };
            for (std::size_t sector = change.offset / kSectorSize * kSectorSize; sector < std::min(end, oldLength);
                 sector += kSectorSize)
                if (coin())
                    copy(std::max(sector, change.offset), std::min({ sector + kSectorSize, end, oldLength }));
            if (end > oldLength && coin()) {
                bytes.resize(end, 0);
                copy(std::max(oldLength, change.offset), end);
            }
        }
        return bytes;
    }

    int open(const char* path, int flags, mode_t /*mode*/) override
    {
        if (!enter(Call::Open))
            return -1;
        const std::string name(path);
        if (name == m_directory)
            return newDescriptor(true);
        if (name != m_path)
            return failWith(ENOENT);
        if (m_exists && (flags & O_CREAT) && (flags & O_EXCL))
            return failWith(EEXIST);
        if (!m_exists && !(flags & O_CREAT))
            return failWith(ENOENT);
        m_exists = true;
        return newDescriptor(false);
    }

    int fstat(int fd, struct stat* status) override
    {
        if (!enter(Call::Fstat) || !known(fd))
            return -1;
        *status = {};
        status->st_mode = (m_descriptors[fd] ? S_IFDIR : S_IFREG) | 0644;
        status->st_size = m_descriptors[fd] ? 0 : static_cast<off_t>(m_current.size());
        return 0;
    }

    ssize_t pread(int fd, void* buffer, size_t count, off_t offset) override
    {
        if (!enter(Call::Pread) || !file(fd))
            return -1;
        const auto from = std::min(static_cast<std::size_t>(offset), m_current.size());
        const std::size_t n = std::min(count, m_current.size() - from);
        std::copy_n(m_current.begin() + static_cast<std::ptrdiff_t>(from), n, static_cast<unsigned char*>(buffer));
        return static_cast<ssize_t>(n);
    }

    ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) override
    {
        if (!enter(Call::Pwrite) || !file(fd))
            return -1;
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        const auto at = static_cast<std::size_t>(offset);
        m_pending.push_back({ true, at, 0, { bytes, bytes + count } });
        if (m_current.size() < at + count)
            m_current.resize(at + count, 0);
        std::copy_n(bytes, count, m_current.begin() + static_cast<std::ptrdiff_t>(at));
        return static_cast<ssize_t>(count);
    }

    int fdatasync(int fd) override { return enter(Call::Fdatasync) && sync(fd) ? 0 : -1; }
    int fsync(int fd) override { return enter(Call::Fsync) && sync(fd) ? 0 : -1; }

    int fallocate(int fd, int mode, off_t offset, off_t length) override
    {
        if (!enter(Call::Fallocate) || !file(fd))
            return -1;
        if (mode == FALLOC_FL_KEEP_SIZE)
            return 0; // blocks reserved, nothing anyone can read changes
        if (mode != 0)
            return failWith(EOPNOTSUPP);
        const auto end = static_cast<std::size_t>(offset + length);
        if (end > m_current.size())
            setLength(end);
        return 0;
    }

    int ftruncate(int fd, off_t length) override
    {
        if (!enter(Call::Ftruncate) || !file(fd))
            return -1;
        setLength(static_cast<std::size_t>(length));
        return 0;
    }

    int flock(int fd, int /*operation*/) override { return enter(Call::Flock) && known(fd) ? 0 : -1; }

    int close(int fd) override
    {
        // A close released the descriptor even when it failed, as on Linux.
        const bool entered = enter(Call::Close);
        const bool wasKnown = m_descriptors.erase(fd) != 0;
        return entered && wasKnown ? 0 : -1;
    }

    // The store never streams; the disk model has nothing to stream from.
    ssize_t read(int, void*, size_t) override { return refuse(); }
    ssize_t write(int, const void*, size_t) override { return refuse(); }
    int isatty(int) override
    {
        refuse();
        return 0;
    }
    int unlink(const char*) override { return refuse(); }

private:
    static int refuse()
    {
        errno = ENOSYS;
        return -1;
    }

    // One change since the last sync: a write, or a new length.
    struct Change {
        bool isWrite;
        std::size_t offset;
        std::size_t length;
        std::vector<unsigned char> bytes;
    };

    // Counts the call; false (errno set) when it must fail: crashed, or failed on cue.
    bool enter(Call call)
    {
        ++calls;
        if (calls == crashAt)
            m_crashed = true;
        if (m_crashed) {
            errno = EIO;
            return false;
        }
        if (m_failNext && m_failNext->first == call) {
            errno = m_failNext->second;
            m_failNext.reset();
            return false;
        }
        return true;
    }

    static int failWith(int error)
    {
        errno = error;
        return -1;
    }

    int newDescriptor(bool directory)
    {
        const int fd = m_nextDescriptor++;
        m_descriptors[fd] = directory;
        return fd;
    }

    bool known(int fd)
    {
        if (m_descriptors.count(fd) != 0)
            return true;
        errno = EBADF;
        return false;
    }

    bool file(int fd)
    {
        if (!known(fd))
            return false;
        if (!m_descriptors[fd])
            return true;
        errno = EISDIR;
        return false;
    }

    void setLength(std::size_t length)
    {
        m_pending.push_back({ false, 0, length, {} });
        m_current.resize(length, 0);
    }

    bool sync(int fd)
    {
        if (!known(fd))
            return false;
        if (m_descriptors[fd]) {
            m_durableExists = m_exists;
        } else {
            m_durable = m_current;
            m_pending.clear();
        }
        return true;
    }

    std::string m_directory;
    std::string m_path;
    std::map<int, bool> m_descriptors; // open descriptor -> is the directory
    int m_nextDescriptor = 3;
    std::optional<std::pair<Call, int>> m_failNext;
    bool m_crashed = false;

    bool m_exists = false;        // as the running program sees it
    bool m_durableExists = false; // as the disk keeps it
    std::vector<unsigned char> m_current;
    std::vector<unsigned char> m_durable;
    std::vector<Change> m_pending;
};

} // namespace pintwise
