#include "log_store.h"

#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace pintwise {
namespace {

// Sequential reads fetch this many whole records at a time: about 64 KiB.
constexpr std::size_t kReadAheadRecords = 172;

std::uint64_t offsetOf(RecordNumber n)
{
    return static_cast<std::uint64_t>(n - 1) * kRecordSize;
}

// Everything before the last separator; a file in the root directory gives
// the root ("/", or "X:\" on Windows), a name without a folder (a path the
// tool's user typed) the current one.
std::string parentDirectory(const std::string& path)
{
    const auto slash = path.find_last_of(kPathSeparators);
    if (slash == std::string::npos)
        return ".";
    const bool root = slash == 0 || (kRootHasDrive && slash == 2 && path[1] == ':');
    return path.substr(0, root ? slash + 1 : slash);
}

} // namespace

LogStore::LogStore(std::string programDirectory, FileApi& files)
    : m_files(files)
    , m_programDirectory(std::move(programDirectory))
{
}

LogStore::~LogStore()
{
    close();
}

StoreError LogStore::error(StoreError::Kind kind, int errnoValue, RecordNumber record) const
{
    StoreError result { kind, m_dataFilePath };
    if (errnoValue != 0)
        result.reason = std::error_code(errnoValue, std::generic_category());
    result.record = record;
    return result;
}

Status LogStore::locate()
{
    std::string directory = m_programDirectory;
    if (directory.empty()) {
        std::error_code reason;
        const std::string executable = executablePath(reason);
        if (executable.empty())
            return StoreError { StoreError::Kind::NoProgramDirectory, {}, reason };
        directory = parentDirectory(executable);
    }
    // The separator is added unconditionally, so the root directory gives
    // "//Entry.Dat", and a drive root on Windows "X:\\Entry.Dat": both open.
    m_dataFilePath = directory + kPathSeparator + kDataFileName;
    return {};
}

Status LogStore::open(IfMissing ifMissing)
{
    if (isOpen())
        return {};

    bool created = false;
    int fd = m_files.open(m_dataFilePath.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0 && errno == ENOENT && ifMissing == IfMissing::Create) {
        fd = m_files.open(m_dataFilePath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        created = fd >= 0;
        if (fd < 0 && errno == EEXIST) // someone else created it just now
            fd = m_files.open(m_dataFilePath.c_str(), O_RDWR | O_CLOEXEC, 0);
    }
    // Windows refuses a second writer at the open itself (file_api_win32.cpp).
    if (fd < 0)
        return errno == EWOULDBLOCK ? error(StoreError::Kind::AlreadyOpen) : error(StoreError::Kind::Open, errno);

    // flock, not fcntl locks: an fcntl lock vanishes as soon as any descriptor
    // of the file is closed, an flock lock lives exactly as long as this one.
    // Some network and FUSE file systems offer no locks at all; the log is
    // opened there all the same, unguarded, as it always could be.
    if (m_files.flock(fd, LOCK_EX | LOCK_NB) != 0 && errno != EOPNOTSUPP && errno != ENOLCK) {
        const int reason = errno;
        m_files.close(fd);
        return reason == EWOULDBLOCK ? error(StoreError::Kind::AlreadyOpen) : error(StoreError::Kind::Open, reason);
    }
    return adopt(fd, created);
}

Status LogStore::openForReading()
{
    if (isOpen())
        return {};
    const int fd = m_files.open(m_dataFilePath.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return error(StoreError::Kind::Open, errno);
    return adopt(fd, false);
}

// Takes over an opened descriptor once it proves to be a regular file.
Status LogStore::adopt(int fd, bool created)
{
    auto fail = [&](StoreError::Kind kind, int errnoValue) {
        m_files.close(fd);
        return error(kind, errnoValue);
    };

    struct stat status { };
    if (m_files.fstat(fd, &status) != 0)
        return fail(StoreError::Kind::Open, errno);
    if (!S_ISREG(status.st_mode))
        return fail(StoreError::Kind::NotRegularFile, 0);

    m_fd = fd;
    m_fileSize = static_cast<std::uint64_t>(status.st_size);
    m_readAheadValid = false;
    m_lastRead = 0;

    if (created) {
        // The new file's name must survive a crash as well as its records.
        if (auto failure = syncDirectory()) {
            close();
            return failure;
        }
    }
    return {};
}

Status LogStore::syncDirectory()
{
    const std::string directory = parentDirectory(m_dataFilePath);
    const int fd = m_files.open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0)
        return error(StoreError::Kind::Create, errno);
    const int result = m_files.fsync(fd);
    const int syncError = errno;
    m_files.close(fd);
    if (result != 0)
        return error(StoreError::Kind::Create, syncError);
    return {};
}

Status LogStore::count()
{
    if (!isOpen())
        return error(StoreError::Kind::NotOpen);
    const auto count = recordCountForLength(m_fileSize);
    if (count > kMaxRecords)
        return error(StoreError::Kind::TooLarge);
    m_recordCount = static_cast<RecordNumber>(count);
    return {};
}

bool LogStore::readAt(std::uint64_t offset, unsigned char* buffer, std::size_t size, std::size_t& got)
{
    got = 0;
    while (got < size) {
        const ssize_t n = m_files.pread(m_fd, buffer + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break; // end of file
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool LogStore::writeAt(std::uint64_t offset, const unsigned char* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = m_files.pwrite(m_fd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

Status LogStore::readRecord(RecordNumber n)
{
    // On any failure the buffer holds nothing from an earlier read.
    const auto fail = [&](StoreError::Kind kind, int errnoValue) {
        m_recordBuffer = Record();
        return error(kind, errnoValue, n);
    };
    if (!isOpen())
        return fail(StoreError::Kind::NotOpen, 0);
    if (n < 1)
        return fail(StoreError::Kind::BadRecordNumber, 0);

    const std::uint64_t offset = offsetOf(n);
    const bool sequential = m_lastRead > 0 && n == m_lastRead + 1;
    m_lastRead = n;

    const std::uint64_t windowEnd = m_readAheadStart + m_readAhead.size();
    const bool inWindow = m_readAheadValid && offset >= m_readAheadStart
        && (offset + kRecordSize <= windowEnd || m_readAheadReachesEnd);

    if (!inWindow && sequential) {
        m_readAhead.resize(kReadAheadRecords * kRecordSize);
        std::size_t got = 0;
        if (!readAt(offset, m_readAhead.data(), m_readAhead.size(), got)) {
            m_readAheadValid = false;
            return fail(StoreError::Kind::Read, errno);
        }
        m_readAhead.resize(got);
        m_readAheadStart = offset;
        m_readAheadValid = true;
        m_readAheadReachesEnd = got < kReadAheadRecords * kRecordSize;
    }

    // Whatever lies past the end of the file reads as zeros.
    if (inWindow || sequential) {
        const std::uint64_t end = m_readAheadStart + m_readAhead.size();
        const std::size_t length = offset < end ? std::min<std::uint64_t>(kRecordSize, end - offset) : 0;
        m_recordBuffer.setBytes(m_readAhead.data() + (offset < end ? offset - m_readAheadStart : 0), length);
    } else {
        RecordBytes bytes;
        std::size_t got = 0;
        if (!readAt(offset, bytes.data(), bytes.size(), got))
            return fail(StoreError::Kind::Read, errno);
        m_recordBuffer.setBytes(bytes.data(), got);
    }
    return {};
}

Status LogStore::writeRecord(RecordNumber n)
{
    if (!isOpen())
        return error(StoreError::Kind::NotOpen, 0, n);
    if (n < 1)
        return error(StoreError::Kind::BadRecordNumber, 0, n);
    const RecordBytes bytes = m_recordBuffer.toBytes();
    if (!writeDurably(offsetOf(n), bytes.data(), bytes.size()))
        return error(StoreError::Kind::Write, errno, n);
    return {};
}

Status LogStore::appendRecords(std::span<const RecordBytes> records)
{
    static_assert(sizeof(RecordBytes) == kRecordSize, "records must lie end to end in memory");
    if (!isOpen())
        return error(StoreError::Kind::NotOpen);
    if (records.empty())
        return {};
    if (records.size() > static_cast<std::size_t>(kMaxRecords - m_recordCount))
        return error(StoreError::Kind::LogFull);
    const auto first = static_cast<RecordNumber>(m_recordCount + 1);
    // A partial record at the end that did not count is written over, and
    // put back with the rest should anything fail.
    if (!writeDurably(offsetOf(first), reinterpret_cast<const unsigned char*>(records.data()),
                      records.size() * kRecordSize))
        return error(StoreError::Kind::Write, errno, first);
    m_recordCount = static_cast<RecordNumber>(m_recordCount + records.size());
    return {};
}

bool LogStore::writeDurably(std::uint64_t offset, const unsigned char* bytes, std::size_t size)
{
    m_readAheadValid = false;
    const std::uint64_t end = offset + size;
    const std::uint64_t oldFileSize = m_fileSize;
    const bool extends = end > oldFileSize;

    // Keep the bytes about to be overwritten, so a failed write can put them back.
    std::vector<unsigned char> oldBytes(offset < oldFileSize ? std::min<std::uint64_t>(size, oldFileSize - offset) : 0);
    std::size_t oldLength = 0;
    if (!oldBytes.empty() && !readAt(offset, oldBytes.data(), oldBytes.size(), oldLength))
        return false;

    if (extends && !reserve(oldFileSize, end))
        return false;

    if (!writeAt(offset, bytes, size) || m_files.fdatasync(m_fd) != 0) {
        rollBack(offset, oldBytes.data(), oldLength, oldFileSize, extends); // keeps errno
        return false;
    }
    m_fileSize = std::max(oldFileSize, end);
    return true;
}

bool LogStore::reserve(std::uint64_t from, std::uint64_t to)
{
    // Reserve the blocks first, so a full disk fails here, before a byte of a
    // partial record reaches the file. The reservation keeps the file's
    // length: only the write itself moves the end of the file, so a crash at
    // any moment leaves either the old length or the new record whole, never
    // a slot of zeros nobody saved. A file system that cannot reserve simply
    // goes without; a full disk then shows in the write, and is rolled back.
    if (m_files.fallocate(m_fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(from), static_cast<off_t>(to - from)) == 0)
        return true;
    return errno == EOPNOTSUPP || errno == ENOSYS;
}

void LogStore::rollBack(std::uint64_t offset, const unsigned char* oldBytes, std::size_t oldLength,
                        std::uint64_t oldFileSize, bool extended)
{
    // Best effort: the caller reports the first failure, whatever happens here.
    const int savedErrno = errno;
    if (oldLength > 0)
        writeAt(offset, oldBytes, oldLength);
    if (extended)
        m_files.ftruncate(m_fd, static_cast<off_t>(oldFileSize));
    m_files.fdatasync(m_fd);
    errno = savedErrno;
}

void LogStore::close()
{
    if (!isOpen())
        return;
    // Every write was synced when it was made, so nothing can be lost here.
    m_files.close(m_fd);
    m_fd = -1;
    m_readAheadValid = false;
    m_lastRead = 0;
}

Status LogStore::reserveSlot()
{
    if (m_recordCount >= kMaxRecords)
        return error(StoreError::Kind::LogFull);
    ++m_recordCount;
    m_currentRecord = m_recordCount;
    return {};
}

} // namespace pintwise
