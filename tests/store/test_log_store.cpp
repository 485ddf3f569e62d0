// The log file through the store: opening never truncates, reads past the
// end and around the read-ahead window, writes that change one record, a
// second copy, file systems without locks or reservations, the 16-bit
// limits and failing writes that leave the file as it was. On the system's
// own file layer (POSIX on Linux, Win32 under Wine), or on one that fails
// one call on cue.

#include "faulty_file_api.h"
#include "log_store.h"
#include "platform.h"
#include "temp_folder.h"
#include "typed_entry.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <optional>

using namespace pintwise;
using Call = FaultyFileApi::Call;

#define EXPECT_OK(expr)                                                                                                \
    do {                                                                                                               \
        const Status& s_ = (expr);                                                                                     \
        EXPECT_FALSE(s_) << s_->message();                                                                             \
    } while (false)
#define OPEN_LOG(store)                                                                                                \
    EXPECT_OK((store).locate());                                                                                       \
    EXPECT_OK((store).open());                                                                                         \
    EXPECT_OK((store).count())

namespace {

// Records "r<first>" ... "r<last>", each with ten distinct fields.
std::string records(int first, int last)
{
    std::string bytes;
    for (int n = first; n <= last; ++n)
        bytes += savedRecord(std::string(1, 'r').append(std::to_string(n)));
    return bytes;
}

std::string buffer(const LogStore& store)
{
    const RecordBytes bytes = store.recordBuffer().toBytes();
    return std::string(bytes.begin(), bytes.end());
}

void setBuffer(LogStore& store, const std::string& data)
{
    RecordBytes bytes {};
    std::copy(data.begin(), data.end(), bytes.begin());
    store.recordBuffer() = Record::fromBytes(bytes);
}

// The file once `record` has been written as number n: a gap fills with zeros.
std::string afterWrite(std::string file, int n, const std::string& record)
{
    file.resize(std::max(file.size(), n * kRecordSize), '\0');
    return file.replace((n - 1) * kRecordSize, kRecordSize, record);
}

// The path the store must name the log by in its messages.
std::string logPath(const TempFolder& folder)
{
    return folder.utf8() + kPathSeparator + LogStore::kDataFileName;
}

template <typename Case> std::string caseName(const testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

struct OpenCase {
    const char* name;
    std::optional<std::string> contents; // nullopt: no file
    int count;
};

class OpenNeverTruncates : public testing::TestWithParam<OpenCase> { };

TEST_P(OpenNeverTruncates, CountsAndLeavesTheBytes)
{
    const OpenCase& c = GetParam();
    TempFolder folder;
    if (c.contents)
        folder.write(*c.contents);
    LogStore store(folder.utf8());
    OPEN_LOG(store);
    EXPECT_EQ(store.dataFilePath(), logPath(folder));
    EXPECT_EQ(store.recordCount(), c.count);
    store.close();
    store.close(); // closing a closed log does nothing
    EXPECT_TRUE(std::filesystem::exists(folder.log()));
    EXPECT_EQ(folder.read(), c.contents.value_or(""));
}

INSTANTIATE_TEST_SUITE_P(LogStore, OpenNeverTruncates,
                         testing::Values(OpenCase { "MissingCreatedEmpty", std::nullopt, 0 },
                                         OpenCase { "HundredBytes", std::string(100, 'x'), 0 },
                                         OpenCase { "ThreeRecords", records(1, 3), 3 },
                                         OpenCase { "TwoRecordsAnd200Bytes", records(1, 2) + std::string(200, 'x'),
                                                    3 }),
                         caseName<OpenCase>);

struct ReadPastEndCase {
    const char* name;
    std::string contents;
    int before;
    int n;
    std::string expected;
};

const std::string kTail = records(9, 9).substr(0, 100);
const std::string kPartial = kTail + std::string(280, '\0');
const std::string kZeros(kRecordSize, '\0');

class ReadPastEnd : public testing::TestWithParam<ReadPastEndCase> { };

// The read before fills the buffer, so leftovers from it would show.
TEST_P(ReadPastEnd, ReadsZerosPastTheEnd)
{
    const ReadPastEndCase& c = GetParam();
    TempFolder folder;
    folder.write(c.contents);
    LogStore store(folder.utf8());
    OPEN_LOG(store);
    EXPECT_OK(store.readRecord(RecordNumber(c.before)));
    EXPECT_OK(store.readRecord(RecordNumber(c.n)));
    EXPECT_EQ(buffer(store), c.expected);
    EXPECT_EQ(folder.read(), c.contents);
}

INSTANTIATE_TEST_SUITE_P(LogStore, ReadPastEnd,
                         testing::Values(ReadPastEndCase { "PartlySequential", records(1, 1) + kTail, 1, 2, kPartial },
                                         ReadPastEndCase { "PartlyDirect", records(1, 2) + kTail, 1, 3, kPartial },
                                         ReadPastEndCase { "WhollySequential", records(1, 2), 2, 3, kZeros },
                                         ReadPastEndCase { "WhollyDirect", records(1, 2), 1, 9, kZeros }),
                         caseName<ReadPastEndCase>);

struct WriteCase {
    const char* name;
    std::string contents;
    int n;
};

class WriteChangesOnlyThatRecord : public testing::TestWithParam<WriteCase> { };

TEST_P(WriteChangesOnlyThatRecord, AndReadsItBack)
{
    const WriteCase& c = GetParam();
    TempFolder folder;
    folder.write(c.contents);
    LogStore store(folder.utf8());
    OPEN_LOG(store);
    setBuffer(store, savedRecord("new"));
    EXPECT_OK(store.writeRecord(RecordNumber(c.n)));
    const std::string expected = afterWrite(c.contents, c.n, savedRecord("new"));
    EXPECT_EQ(folder.read(), expected);
    if (c.n == 4) {
        EXPECT_EQ(expected, records(1, 2) + std::string(kRecordSize, '\0') + savedRecord("new")); // 1,520 bytes
    }
    EXPECT_OK(store.readRecord(RecordNumber(c.n)));
    EXPECT_EQ(buffer(store), savedRecord("new"));
}

INSTANTIATE_TEST_SUITE_P(LogStore, WriteChangesOnlyThatRecord,
                         testing::Values(WriteCase { "OverwriteInTheMiddle", records(1, 3), 2 },
                                         WriteCase { "Append", records(1, 2), 3 },
                                         WriteCase { "Record4Of2ZeroGap", records(1, 2), 4 },
                                         WriteCase { "OverAPartialTail", records(1, 1) + std::string(100, 'x'), 2 }),
                         caseName<WriteCase>);

struct SequentialCase {
    const char* name;
    int readFirst;
    int written;
};

class SequentialReads : public testing::TestWithParam<SequentialCase> { };

// Reading in order goes through the read-ahead window (172 records); a
// write must discard it wherever it lies relative to the reader.
TEST_P(SequentialReads, SeeEveryWrite)
{
    const SequentialCase& c = GetParam();
    TempFolder folder;
    folder.write(records(1, 400));
    LogStore store(folder.utf8());
    OPEN_LOG(store);
    std::string file = folder.read();
    const auto readAll = [&](int from, int to) { // a failed read shows in the bytes
        std::string got;
        for (int n = from; n <= to; ++n)
            got += store.readRecord(RecordNumber(n)) ? "read failed" : buffer(store);
        return got;
    };
    const auto span
        = [&](int from, int to) { return file.substr((from - 1) * kRecordSize, (to - from + 1) * kRecordSize); };
    EXPECT_EQ(readAll(1, c.readFirst), span(1, c.readFirst));
    setBuffer(store, savedRecord("new"));
    EXPECT_OK(store.writeRecord(RecordNumber(c.written)));
    file = afterWrite(file, c.written, savedRecord("new"));
    EXPECT_EQ(folder.read(), file);
    const int last = int(file.size() / kRecordSize);
    EXPECT_EQ(readAll(c.readFirst + 1, last), span(c.readFirst + 1, last));
    EXPECT_EQ(readAll(1, last), span(1, last));
}

INSTANTIATE_TEST_SUITE_P(LogStore, SequentialReads,
                         testing::Values(SequentialCase { "AheadOfTheReader", 10, 20 },
                                         SequentialCase { "BehindTheReader", 300, 200 },
                                         SequentialCase { "InALaterWindow", 10, 390 },
                                         SequentialCase { "AppendedAfterTheEnd", 400, 401 }),
                         caseName<SequentialCase>);

TEST(LogStore, SecondCopyIsRefused)
{
    TempFolder folder;
    folder.write(records(1, 2));
    LogStore first(folder.utf8()), second(folder.utf8());
    OPEN_LOG(first);
    EXPECT_OK(second.locate());
    const Status refused = second.open();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, StoreError::Kind::AlreadyOpen);
    EXPECT_FALSE(second.isOpen());
    EXPECT_NE(refused->message().find(logPath(folder)), std::string::npos) << refused->message();
    setBuffer(first, savedRecord("still mine"));
    EXPECT_OK(first.writeRecord(2));
    EXPECT_EQ(folder.read(), records(1, 1) + savedRecord("still mine"));
    first.close();
    EXPECT_OK(second.open());
}

struct FeatureCase {
    const char* name;
    Call call;
    int error;
};

class FileSystemWithoutFeature : public testing::TestWithParam<FeatureCase> { };

// File systems without locks or without space reservation still hold a
// usable log: it opens, and a new entry is saved, whole.
TEST_P(FileSystemWithoutFeature, StillOpensAndSaves)
{
    const FeatureCase& c = GetParam();
    TempFolder folder;
    folder.write(records(1, 2));
    FaultyFileApi files(c.call, c.error);
    LogStore store(folder.utf8(), files);
    OPEN_LOG(store);
    setBuffer(store, savedRecord("new"));
    EXPECT_OK(store.writeRecord(3));
    EXPECT_EQ(files.failedCall, c.call);
    EXPECT_EQ(folder.read(), records(1, 2) + savedRecord("new"));
}

INSTANTIATE_TEST_SUITE_P(LogStore, FileSystemWithoutFeature,
                         testing::Values(FeatureCase { "NoLocksEopnotsupp", Call::Flock, EOPNOTSUPP },
                                         FeatureCase { "NoLocksEnolck", Call::Flock, ENOLCK },
                                         FeatureCase { "NoReservationEopnotsupp", Call::Fallocate, EOPNOTSUPP }),
                         caseName<FeatureCase>);

TEST(LogStore, DirectoryInTheWay)
{
    TempFolder folder;
    std::filesystem::create_directory(folder.log());
    LogStore store(folder.utf8());
    EXPECT_OK(store.locate());
    const Status status = store.open();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->kind, StoreError::Kind::Open);
    EXPECT_EQ(status->message(), "Could not open the log file \"" + logPath(folder) + "\": Is a directory.");
}

struct LimitCase {
    const char* name;
    std::uint64_t length;
    int count; // -1: too large
};

class SixteenBitLimits : public testing::TestWithParam<LimitCase> { };

TEST_P(SixteenBitLimits, CountReserveAndRefuse)
{
    const LimitCase& c = GetParam();
    TempFolder folder;
    folder.write("x");
    std::filesystem::resize_file(folder.log(), c.length); // sparse where it can be, so fast
    LogStore store(folder.utf8());
    EXPECT_OK(store.locate());
    EXPECT_OK(store.open());
    const Status counted = store.count();
    if (c.count < 0) {
        ASSERT_TRUE(counted);
        EXPECT_EQ(counted->kind, StoreError::Kind::TooLarge);
        EXPECT_NE(counted->message().find(logPath(folder)), std::string::npos) << counted->message();
        EXPECT_EQ(store.recordCount(), 0);
    } else {
        EXPECT_OK(counted);
        EXPECT_EQ(store.recordCount(), c.count);
        store.setCurrentRecord(5);
        const Status reserved = store.reserveSlot();
        EXPECT_EQ(reserved ? int(reserved->kind) : -1, c.count < kMaxRecords ? -1 : int(StoreError::Kind::LogFull));
        EXPECT_EQ(store.recordCount(), std::min(c.count + 1, int(kMaxRecords)));
        EXPECT_EQ(store.currentRecord(), c.count < kMaxRecords ? c.count + 1 : 5);
    }
    store.close();
    EXPECT_EQ(std::filesystem::file_size(folder.log()), c.length);
}

INSTANTIATE_TEST_SUITE_P(LogStore, SixteenBitLimits,
                         testing::Values(LimitCase { "Records32766OneMoreSlot", 32766ULL * 380, 32766 },
                                         LimitCase { "Bytes12451649Holds32767Full", 12451649, 32767 },
                                         LimitCase { "Bytes12451650TooLarge", 12451650, -1 }),
                         caseName<LimitCase>);

struct WriteFailureCase {
    const char* name;
    Call call;
    int error;
    int n; // of 2 records
    const char* reason;
};

const char* const kEio = "Input/output error";
const char* const kEnospc = "No space left on device";

class InjectedWriteFailure : public testing::TestWithParam<WriteFailureCase> { };

TEST_P(InjectedWriteFailure, LeavesTheFileAndSaysWhy)
{
    const WriteFailureCase& c = GetParam();
    TempFolder folder;
    folder.write(records(1, 2));
    FaultyFileApi files(c.call, c.error);
    LogStore store(folder.utf8(), files);
    OPEN_LOG(store);
    setBuffer(store, savedRecord("lost"));
    const Status failed = store.writeRecord(RecordNumber(c.n));
    ASSERT_TRUE(failed);
    EXPECT_EQ(files.failedCall, c.call);
    EXPECT_EQ(failed->kind, StoreError::Kind::Write);
    EXPECT_EQ(failed->reason, std::error_code(c.error, std::generic_category()));
    EXPECT_EQ(failed->message(),
              "Could not save entry " + std::to_string(c.n) + " to the log file \"" + logPath(folder)
                  + "\": " + c.reason + ".");
    EXPECT_EQ(folder.read(), records(1, 2));
    // The store carries on: the same write now succeeds.
    EXPECT_OK(store.writeRecord(RecordNumber(c.n)));
    EXPECT_EQ(folder.read(), afterWrite(records(1, 2), c.n, savedRecord("lost")));
}

INSTANTIATE_TEST_SUITE_P(
    LogStore, InjectedWriteFailure,
    testing::Values(WriteFailureCase { "ReserveNoSpaceAppend", Call::Fallocate, ENOSPC, 3, kEnospc },
                    WriteFailureCase { "ReserveEioPastAGap", Call::Fallocate, EIO, 5, kEio },
                    WriteFailureCase { "WriteEioPastAGap", Call::Pwrite, EIO, 5, kEio },
                    WriteFailureCase { "WriteNoSpaceOverwrite", Call::Pwrite, ENOSPC, 2, kEnospc },
                    WriteFailureCase { "SyncEioAppend", Call::Fdatasync, EIO, 3, kEio },
                    WriteFailureCase { "SyncNoSpaceOverwrite", Call::Fdatasync, ENOSPC, 1, kEnospc }),
    caseName<WriteFailureCase>);

} // namespace
