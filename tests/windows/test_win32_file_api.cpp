#include "faulty_file_api.h"
#include "log_store.h"
#include "platform.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

// The Win32 file layer (file_api_win32.cpp) against real files, through the
// real LogStore: only what Windows adds. The store's own rules are proven by
// the Linux suites. Run with "--child hold|locate-save", the program is the
// second process some cases need.

using namespace pintwise;

namespace {

std::string utf8(const std::wstring& wide)
{
    std::string out(static_cast<std::size_t>(wide.size() * 3), '\0');
    out.resize(
        static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                                                     static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

std::wstring environment(const wchar_t* name)
{
    wchar_t value[32768];
    const DWORD length = GetEnvironmentVariableW(name, value, 32768);
    return length > 0 && length < 32768 ? std::wstring(value, length) : std::wstring();
}

std::wstring ownPath()
{
    wchar_t path[32768];
    return std::wstring(path, GetModuleFileNameW(nullptr, path, 32768));
}

// The file's bytes, read without the layer under test; nullopt when missing.
std::optional<std::string> readFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(GetFileSize(file, nullptr)), '\0');
    DWORD got = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    return bytes.substr(0, got);
}

std::optional<ULONGLONG> lastWritten(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return (ULONGLONG { data.ftLastWriteTime.dwHighDateTime } << 32) | data.ftLastWriteTime.dwLowDateTime;
}

void writeFile(const std::wstring& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr));
    CloseHandle(file);
}

std::string records(std::string_view letters)
{
    std::string bytes;
    for (const char letter : letters)
        bytes += std::string(kRecordSize, letter);
    return bytes;
}

RecordBytes recordOf(char letter)
{
    RecordBytes bytes;
    bytes.fill(static_cast<unsigned char>(letter));
    return bytes;
}

// A fresh folder under %TEMP%, removed with everything in it.
class TempFolder {
public:
    TempFolder()
    {
        wchar_t temp[MAX_PATH + 1];
        static int serial = 0;
        m_path = std::wstring(temp, GetTempPathW(MAX_PATH + 1, temp)) + L"pintwise-"
            + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~TempFolder() { remove(m_path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder `relative` within, made with its parents.
    std::wstring make(const std::wstring& relative) const
    {
        for (std::size_t end = 0; end != std::wstring::npos;) {
            end = relative.find(L'\\', end + 1);
            CreateDirectoryW((m_path + L"\\" + relative.substr(0, end)).c_str(), nullptr);
        }
        return m_path + L"\\" + relative;
    }

private:
    static void remove(const std::wstring& path)
    {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
        for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
            const std::wstring name = found.cFileName, child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (name != L"." && name != L"..")
                    remove(child);
            } else {
                DeleteFileW(child.c_str());
            }
        }
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        RemoveDirectoryW(path.c_str());
    }

    std::wstring m_path;
};

// This program again as another process, in one of the roles of childMain().
class Child {
public:
    Child(const std::wstring& program, const char* role, const std::wstring& log)
    {
        const std::wstring tag = std::to_wstring(GetCurrentProcessId());
        m_ready = CreateEventW(nullptr, TRUE, FALSE, (L"Local\\pintwise-ready-" + tag).c_str());
        m_release = CreateEventW(nullptr, TRUE, FALSE, (L"Local\\pintwise-release-" + tag).c_str());
        SetEnvironmentVariableW(L"PINTWISE_CHILD_LOG", log.c_str());
        SetEnvironmentVariableW(L"PINTWISE_CHILD_TAG", tag.c_str());
        std::wstring command = L"\"" + program + L"\" --child " + std::wstring(role, role + strlen(role));
        STARTUPINFOW startup {};
        startup.cb = sizeof startup;
        if (CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &m_process)) {
            CloseHandle(m_process.hThread);
        }
    }
    ~Child()
    {
        finish();
        CloseHandle(m_ready);
        CloseHandle(m_release);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Whether the child holds the log open (rather than having exited).
    bool holding()
    {
        const HANDLE either[] = { m_ready, m_process.hProcess };
        return m_process.hProcess && WaitForMultipleObjects(2, either, FALSE, 20000) == WAIT_OBJECT_0;
    }
    // Lets the child go and returns its exit code.
    DWORD finish()
    {
        if (!m_process.hProcess)
            return m_exitCode;
        SetEvent(m_release);
        WaitForSingleObject(m_process.hProcess, 20000);
        GetExitCodeProcess(m_process.hProcess, &m_exitCode);
        CloseHandle(m_process.hProcess);
        m_process.hProcess = nullptr;
        return m_exitCode;
    }

private:
    HANDLE m_ready;
    HANDLE m_release;
    PROCESS_INFORMATION m_process {};
    DWORD m_exitCode = 255;
};

// The child's side. "hold": opens the log named in PINTWISE_CHILD_LOG and
// keeps it open until released. "locate-save": finds the log beside this
// program, which must be the one named there, and saves record 1 ('L's).
int childMain(const std::string& role)
{
    const std::wstring tag = environment(L"PINTWISE_CHILD_TAG");
    const std::string expected = utf8(environment(L"PINTWISE_CHILD_LOG"));
    LogStore store;
    if (role == "hold")
        store.setDataFilePath(expected);
    else if (auto failure = store.locate())
        return std::fprintf(stderr, "%s\n", failure->message().c_str()), 3;
    if (store.dataFilePath() != expected)
        return std::fprintf(stderr, "located %s, not %s\n", store.dataFilePath().c_str(), expected.c_str()), 2;
    Status failure = store.open();
    if (!failure && role == "locate-save") {
        store.recordBuffer() = Record::fromBytes(recordOf('L'));
        failure = store.writeRecord(1);
    }
    if (failure)
        return std::fprintf(stderr, "%s\n", failure->message().c_str()), 3;
    if (role == "hold") {
        HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, (L"Local\\pintwise-ready-" + tag).c_str());
        HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, (L"Local\\pintwise-release-" + tag).c_str());
        SetEvent(ready);
        WaitForSingleObject(release, 30000);
    }
    return 0;
}

#define EXPECT_OK(expr)                                                                                                \
    do {                                                                                                               \
        const Status& s_ = (expr);                                                                                     \
        EXPECT_FALSE(s_) << s_->message();                                                                             \
    } while (false)

// --- Opening: created when missing, otherwise left exactly as it was -------

struct OpenCase {
    const char* name;
    const wchar_t* folder;
    std::optional<std::string> contents; // nullopt: no file yet
    int count;
};

class Open : public testing::TestWithParam<OpenCase> { };

TEST_P(Open, CreatesOrLeavesTheLogAsItWas)
{
    const OpenCase& c = GetParam();
    TempFolder temp;
    const std::wstring folder = temp.make(c.folder), file = folder + L"\\Entry.Dat";
    if (c.contents)
        writeFile(file, *c.contents);
    const std::optional<ULONGLONG> before = lastWritten(file);

    LogStore store(utf8(folder));
    EXPECT_OK(store.locate());
    EXPECT_EQ(store.dataFilePath(), utf8(folder) + "\\Entry.Dat");
    EXPECT_OK(store.open());
    EXPECT_OK(store.count());
    EXPECT_EQ(store.recordCount(), c.count);
    if (c.count > 0) {
        EXPECT_OK(store.readRecord(1));
        EXPECT_EQ(store.recordBuffer().toBytes(), recordOf('a'));
    }
    store.close();

    EXPECT_EQ(readFile(file), c.contents.value_or(""));
    if (c.contents) {
        EXPECT_EQ(lastWritten(file), before) << "opening wrote to the log";
    }
}

const std::string kThreeRecordsAnd200Bytes = records("abc") + std::string(200, 'x');

INSTANTIATE_TEST_SUITE_P(
    Win32, Open,
    testing::Values(OpenCase { "MissingIsCreatedEmpty", L"plain", std::nullopt, 0 },
                    OpenCase { "ExistingLeftByteIdentical", L"plain", kThreeRecordsAnd200Bytes, 4 },
                    OpenCase { "MissingOutsideAnsiCodePage", L"Zo\u00EB\\Bier \u2713", std::nullopt, 0 },
                    OpenCase { "ExistingOutsideAnsiCodePage", L"Zo\u00EB\\Bier \u2713", kThreeRecordsAnd200Bytes, 4 }),
    [](const auto& info) { return std::string(info.param.name); });

// --- A second copy: refused while the first holds the log, readers let in --

enum class Holder { WriterHere, WriterInChild, ReaderHere };

struct SharingCase {
    const char* name;
    Holder holder;
    bool secondReads; // openForReading() rather than open()
    bool refused;
};

class Sharing : public testing::TestWithParam<SharingCase> { };

TEST_P(Sharing, OnlyOneWriterAtATime)
{
    const SharingCase& c = GetParam();
    TempFolder temp;
    const std::wstring file = temp.make(L"log") + L"\\Entry.Dat";
    writeFile(file, records("ab"));
    {
        std::optional<Child> child;
        LogStore first;
        first.setDataFilePath(utf8(file));
        if (c.holder == Holder::WriterInChild) {
            child.emplace(ownPath(), "hold", file);
            ASSERT_TRUE(child->holding()) << "the child could not open the log, exit code " << child->finish();
        } else {
            EXPECT_OK(c.holder == Holder::ReaderHere ? first.openForReading() : first.open());
        }

        LogStore second;
        second.setDataFilePath(utf8(file));
        const Status status = c.secondReads ? second.openForReading() : second.open();
        if (c.refused) {
            ASSERT_TRUE(status);
            EXPECT_EQ(status->kind, StoreError::Kind::AlreadyOpen);
            EXPECT_EQ(status->message(), (StoreError { StoreError::Kind::AlreadyOpen, utf8(file) }.message()));
        } else {
            EXPECT_OK(status);
        }
        if (child) {
            EXPECT_EQ(child->finish(), 0u);
        }
    }
    // Closing really let go: the log opens for writing again.
    LogStore after;
    after.setDataFilePath(utf8(file));
    EXPECT_OK(after.open());
    after.close();
    EXPECT_EQ(readFile(file), records("ab"));
}

INSTANTIATE_TEST_SUITE_P(
    Win32, Sharing,
    testing::Values(SharingCase { "WriterInAnotherProcessRefusesASecond", Holder::WriterInChild, false, true },
                    SharingCase { "WriterInThisProcessRefusesASecond", Holder::WriterHere, false, true },
                    SharingCase { "WriterInAnotherProcessLetsAReaderIn", Holder::WriterInChild, true, false },
                    SharingCase { "ReaderLetsAWriterIn", Holder::ReaderHere, false, false }),
    [](const auto& info) { return std::string(info.param.name); });

// --- Refusals: Windows' reasons in the Linux program's words ---------------

struct RefusalCase {
    const char* name;
    DWORD attributes; // of an existing two-record log; 0: no log, nor folder
    StoreError::Kind kind;
    const char* reason;
};

class Refusal : public testing::TestWithParam<RefusalCase> { };

TEST_P(Refusal, ReportsWhyAndLeavesTheFile)
{
    const RefusalCase& c = GetParam();
    TempFolder temp;
    const std::wstring file = temp.make(L"log") + (c.attributes ? L"\\Entry.Dat" : L"\\missing\\Entry.Dat");
    if (c.attributes)
        writeFile(file, records("ab"), c.attributes);
    LogStore store;
    store.setDataFilePath(utf8(file));
    const Status status = store.open();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->kind, c.kind);
    EXPECT_EQ(status->message(), "Could not open the log file \"" + utf8(file) + "\": " + c.reason + ".");
    EXPECT_EQ(readFile(file), c.attributes ? std::optional(records("ab")) : std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Win32, Refusal,
                         testing::Values(RefusalCase { "ReadOnlyFile", FILE_ATTRIBUTE_READONLY, StoreError::Kind::Open,
                                                       "Permission denied" },
                                         RefusalCase { "MissingFolder", 0, StoreError::Kind::Open,
                                                       "No such file or directory" }),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Saving: with or without a reservation, and put back on failure --------

struct SaveCase {
    const char* name;
    std::optional<FaultyFileApi::Call> fault; // failed once, with `error`
    int error;
    bool extendingSaveKept;
};

class Save : public testing::TestWithParam<SaveCase> { };

TEST_P(Save, OverwritesExtendsAndReadsBack)
{
    const SaveCase& c = GetParam();
    TempFolder temp;
    const std::wstring file = temp.make(L"log") + L"\\Entry.Dat";
    writeFile(file, records("ab"));
    FaultyFileApi files = c.fault ? FaultyFileApi(*c.fault, c.error) : FaultyFileApi();
    {
        LogStore store(utf8(temp.make(L"log")), files);
        EXPECT_OK(store.locate());
        EXPECT_OK(store.open());
        EXPECT_OK(store.count());
        store.recordBuffer() = Record::fromBytes(recordOf('d'));
        EXPECT_EQ(!store.writeRecord(4), c.extendingSaveKept); // past the end, over a gap
        store.recordBuffer() = Record::fromBytes(recordOf('A'));
        EXPECT_OK(store.writeRecord(1));
    }
    const std::string expected
        = c.extendingSaveKept ? records("Ab") + std::string(kRecordSize, '\0') + records("d") : records("Ab");
    EXPECT_EQ(readFile(file), expected);

    LogStore again(utf8(temp.make(L"log")));
    EXPECT_OK(again.locate());
    EXPECT_OK(again.open());
    EXPECT_OK(again.count());
    EXPECT_EQ(again.recordCount(), c.extendingSaveKept ? 4 : 2);
    EXPECT_OK(again.readRecord(again.recordCount()));
    EXPECT_EQ(again.recordBuffer().toBytes(), recordOf(c.extendingSaveKept ? 'd' : 'b'));
}

INSTANTIATE_TEST_SUITE_P(
    Win32, Save,
    testing::Values(SaveCase { "WhateverTheSystemReserves", std::nullopt, 0, true },
                    SaveCase { "WithoutAReservation", FaultyFileApi::Call::Fallocate, EOPNOTSUPP, true },
                    SaveCase { "SyncFailsAndTheFileIsPutBack", FaultyFileApi::Call::Fdatasync, EIO, false }),
    [](const auto& info) { return std::string(info.param.name); });

// A reservation, where Windows makes one, must not move the end of the file.
TEST(Reservation, KeepsTheLengthOrIsNotOffered)
{
    TempFolder temp;
    const std::wstring file = temp.make(L"log") + L"\\Entry.Dat";
    writeFile(file, records("a"));
    FileApi& files = systemFileApi();
    const int fd = files.open(utf8(file).c_str(), O_RDWR | O_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    const int result = files.fallocate(fd, FALLOC_FL_KEEP_SIZE, kRecordSize, 100 * kRecordSize);
    EXPECT_TRUE(result == 0 || errno == EOPNOTSUPP) << "errno " << errno;
    struct stat status { };
    EXPECT_EQ(files.fstat(fd, &status), 0);
    EXPECT_EQ(status.st_size, static_cast<off_t>(kRecordSize));
    files.close(fd);
}

// --- A log past 2 or 4 GiB is too large, never a small one ---------------

class Huge : public testing::TestWithParam<long long> { };

TEST_P(Huge, IsTooLarge)
{
    TempFolder temp;
    const std::wstring file = temp.make(L"log") + L"\\Entry.Dat";
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    FILE_END_OF_FILE_INFO end {};
    end.EndOfFile.QuadPart = GetParam();
    ASSERT_TRUE(SetFileInformationByHandle(handle, FileEndOfFileInfo, &end, sizeof end));
    CloseHandle(handle);
    LogStore store;
    store.setDataFilePath(utf8(file));
    EXPECT_OK(store.open());
    const Status status = store.count();
    ASSERT_TRUE(status) << "counted " << store.recordCount();
    EXPECT_EQ(status->kind, StoreError::Kind::TooLarge);
}

// Cut to 32 bits, the first reads as negative, the second as two records.
INSTANTIATE_TEST_SUITE_P(Win32, Huge, testing::Values((1LL << 31) + 380, (1LL << 32) + 760));

// --- Where the log lives: beside the program, wherever that is ------------

struct LocateCase {
    const char* name;
    bool driveRoot; // else a folder outside the ANSI code page
};

class Locate : public testing::TestWithParam<LocateCase> { };

TEST_P(Locate, FindsOpensAndSavesTheLogBesideTheProgram)
{
    TempFolder temp;
    std::wstring folder = GetParam().driveRoot ? environment(L"PINTWISE_TEST_DRIVE") + L"\\"
                                               : temp.make(L"Zo\u00EB\\Bier \u2713") + L"\\";
    if (folder == L"\\")
        GTEST_SKIP() << "set PINTWISE_TEST_DRIVE to an empty drive, as scripts/wine-run.sh does";
    const std::wstring program = folder + L"pintwise-test.exe";
    ASSERT_TRUE(CopyFileW(ownPath().c_str(), program.c_str(), FALSE));
    // The separator is added unconditionally: "Q:\" gives "Q:\\Entry.Dat".
    const std::wstring log = folder + L"\\Entry.Dat";
    Child child(program, "locate-save", GetParam().driveRoot ? log : folder + L"Entry.Dat");
    EXPECT_EQ(child.finish(), 0u);
    EXPECT_EQ(readFile(folder + L"Entry.Dat"), records("L"));
    DeleteFileW(program.c_str());
    DeleteFileW((folder + L"Entry.Dat").c_str());
}

INSTANTIATE_TEST_SUITE_P(Win32, Locate,
                         testing::Values(LocateCase { "AtADriveRoot", true },
                                         LocateCase { "InAFolderOutsideAnsiCodePage", false }),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--child")
        return childMain(argv[2]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
