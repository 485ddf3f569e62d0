#pragma once

#include "file_api.h"
#include "record.h"
#include "store_error.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The log: the data file "Entry.Dat" beside the executable, and the state both
// windows share while it is open (the record buffer, the record count, the
// current record and the adding flag). main() creates one and hands it to the
// windows; it is the only code that touches the file.
//
// Every read and write moves one 380-byte record through recordBuffer(). A
// write returns only once the record is on disk; a write that fails leaves the
// file as it was. The store does not know about windows and never shows
// anything: failures come back as a StoreError.

namespace pintwise {

class LogStore {
public:
    static constexpr const char* kDataFileName = "Entry.Dat";

    // An empty programDirectory means the directory of the running executable.
    explicit LogStore(std::string programDirectory = {}, FileApi& files = systemFileApi());
    ~LogStore();
    LogStore(const LogStore&) = delete;
    LogStore& operator=(const LogStore&) = delete;

    enum class IfMissing { Create, Fail };

    // Sets dataFilePath() to the program directory, the separator ("/", "\"
    // on Windows) and "Entry.Dat".
    [[nodiscard]] Status locate();
    // Names another file instead, as the command-line tool lets its user do.
    void setDataFilePath(std::string path) { m_dataFilePath = std::move(path); }
    // Opens the file for reading and writing, creating it empty when missing
    // (unless told to fail), never truncating it, and locks it against a
    // second running copy wherever the file system offers locks.
    [[nodiscard]] Status open(IfMissing ifMissing = IfMissing::Create);
    // Opens an existing file for reading only, without the lock: reading
    // while the window has the log open is harmless. Writes then fail.
    [[nodiscard]] Status openForReading();
    // Sets recordCount() from the file's length.
    [[nodiscard]] Status count();
    // Fills recordBuffer() with record n; bytes past the end of the file read as zeros.
    [[nodiscard]] Status readRecord(RecordNumber n);
    // Sends recordBuffer() to record n, extending the file with zeros across any gap.
    [[nodiscard]] Status writeRecord(RecordNumber n);
    // Writes `records` after the last slot (record recordCount() + 1 on), with
    // one reservation, one write and one sync, and counts them. All or
    // nothing: on any failure the file is put back as it was, byte for byte.
    // Refused, with nothing written, past 32,767 records.
    [[nodiscard]] Status appendRecords(std::span<const RecordBytes> records);
    // Closing a file that is not open does nothing.
    void close();

    // Counts one more slot and makes it current; refused at 32,767 records.
    [[nodiscard]] Status reserveSlot();

    const std::string& dataFilePath() const { return m_dataFilePath; }
    bool isOpen() const { return m_fd >= 0; }
    std::uint64_t fileSize() const { return m_fileSize; }

    Record& recordBuffer() { return m_recordBuffer; }
    const Record& recordBuffer() const { return m_recordBuffer; }

    RecordNumber recordCount() const { return m_recordCount; }
    RecordNumber currentRecord() const { return m_currentRecord; }
    void setCurrentRecord(RecordNumber n) { m_currentRecord = n; }
    bool addingNew() const { return m_addingNew; }
    void setAddingNew(bool adding) { m_addingNew = adding; }

private:
    StoreError error(StoreError::Kind kind, int errnoValue = 0, RecordNumber record = 0) const;
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::size_t size, std::size_t& got);
    bool writeAt(std::uint64_t offset, const unsigned char* buffer, std::size_t size);
    // Writes and syncs `size` bytes at `offset`, growing the file as needed;
    // on failure puts the file back as it was and leaves errno set.
    bool writeDurably(std::uint64_t offset, const unsigned char* bytes, std::size_t size);
    bool reserve(std::uint64_t from, std::uint64_t to);
    void rollBack(std::uint64_t offset, const unsigned char* oldBytes, std::size_t oldLength, std::uint64_t oldFileSize,
                  bool extended);
    Status syncDirectory();
    Status adopt(int fd, bool created);

    FileApi& m_files;
    std::string m_programDirectory;

    std::string m_dataFilePath;
    int m_fd = -1;
    std::uint64_t m_fileSize = 0;
    Record m_recordBuffer;
    RecordNumber m_recordCount = 0;
    RecordNumber m_currentRecord = 0;
    bool m_addingNew = false;

    // Reading the whole log one record at a time (the name list does) would
    // cost one system call per record; sequential reads are served from this
    // window of the file instead. Any write discards it.
    std::vector<unsigned char> m_readAhead;
    std::uint64_t m_readAheadStart = 0;
    bool m_readAheadValid = false;
    bool m_readAheadReachesEnd = false; // the window stops where the file does
    RecordNumber m_lastRead = 0;
};

} // namespace pintwise
