#include "faulty_file_api.h"
#include "log_store.h"
#include "temp_folder.h"
#include "win32_console.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The Win32 file layer (file_api_win32.cpp) against real files, through the
// real LogStore: only what Windows adds. The store's own rules are proven by
// the Linux suites. Run with "--child hold|locate-save", the program is the
// second process some cases need.

using namespace pintwise;

namespace {

std::string utf8(const std::wstring& wide)
{
    const auto bytes = std::filesystem::path(wide).u8string();
    return std::string(bytes.begin(), bytes.end());
}

std::wstring environment(const wchar_t* name)
{
    std::wstring value(32768, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), 32768));
    return value;
}

std::wstring ownPath()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), 32768));
    return path;
}

// The file's bytes, read without the layer under test; nullopt when missing.
std::optional<std::string> readFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD got = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    return bytes.substr(0, got);
}

void writeFile(const std::wstring& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    DWORD done = 0;
    EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr));
    CloseHandle(file);
}

std::optional<ULONGLONG> lastWritten(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return (ULONGLONG { data.ftLastWriteTime.dwHighDateTime } << 32) | data.ftLastWriteTime.dwLowDateTime;
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

// This program again as another process, in one of the roles of childMain(),
// told the log's path through PINTWISE_CHILD_LOG.
class Child {
public:
    Child(const std::wstring& program, const std::wstring& role, const std::wstring& log)
    {
        const std::wstring tag = std::to_wstring(GetCurrentProcessId());
        m_ready = CreateEventW(nullptr, TRUE, FALSE, (L"Local\\pintwise-ready-" + tag).c_str());
        m_release = CreateEventW(nullptr, TRUE, FALSE, (L"Local\\pintwise-release-" + tag).c_str());
        SetEnvironmentVariableW(L"PINTWISE_CHILD_LOG", log.c_str());
        SetEnvironmentVariableW(L"PINTWISE_CHILD_TAG", tag.c_str());
        std::wstring command = L"\"" + program + L"\" --child " + role;
        STARTUPINFOW startup {};
        startup.cb = sizeof startup;
        CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &m_process);
    }
    ~Child() { finish(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Whether the child holds the log open, rather than having exited.
    bool holding()
    {
        const HANDLE either[] = { m_ready, m_process.hProcess };
        return WaitForMultipleObjects(2, either, FALSE, 20000) == WAIT_OBJECT_0;
    }
    // Lets the child go and returns its exit code.
    DWORD finish()
    {
        SetEvent(m_release);
        if (m_process.hProcess && WaitForSingleObject(m_process.hProcess, 20000) == WAIT_OBJECT_0)
            GetExitCodeProcess(m_process.hProcess, &m_exitCode);
        for (HANDLE handle : { m_process.hProcess, m_process.hThread, m_ready, m_release })
            CloseHandle(handle);
        m_process = {};
        m_ready = m_release = nullptr;
        return m_exitCode;
    }

private:
    HANDLE m_ready;
    HANDLE m_release;
    PROCESS_INFORMATION m_process {};
    DWORD m_exitCode = 255;
};

// "hold": opens the log and keeps it open until released. "locate-save":
// finds the log beside this program, which must be the one named, and saves
// record 1 ('L's). Exit code 0, 2 for another path, 3 for a store failure.
int childMain(const std::string& role)
{
    const std::wstring tag = environment(L"PINTWISE_CHILD_TAG");
    const std::string expected = utf8(environment(L"PINTWISE_CHILD_LOG"));
    LogStore store;
    store.setDataFilePath(expected);
    Status failure = role == "hold" ? std::nullopt : store.locate();
    if (store.dataFilePath() != expected)
        return std::fprintf(stderr, "located %s, not %s\n", store.dataFilePath().c_str(), expected.c_str()), 2;
    if (!failure)
        failure = store.open();
    if (!failure && role == "locate-save") {
        store.recordBuffer() = Record::fromBytes(recordOf('L'));
        failure = store.writeRecord(1);
    }
    if (failure)
        return std::fprintf(stderr, "%s\n", failure->message().c_str()), 3;
    if (role == "hold") {
        SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, (L"Local\\pintwise-ready-" + tag).c_str()));
        WaitForSingleObject(OpenEventW(SYNCHRONIZE, FALSE, (L"Local\\pintwise-release-" + tag).c_str()), 30000);
    }
    return 0;
}

#define EXPECT_OK(expr)                                                                                                \
    do {                                                                                                               \
        const Status& s_ = (expr);                                                                                     \
        EXPECT_FALSE(s_) << s_->message();                                                                             \
    } while (false)

template <typename Case> std::string caseName(const testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

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
    TempFolder temp(c.folder);
    const std::wstring folder = temp.path().wstring(), file = folder + L"\\Entry.Dat";
    if (c.contents)
        writeFile(file, *c.contents);
    const std::optional<ULONGLONG> before = lastWritten(file);

    LogStore store(utf8(folder));
    EXPECT_OK(store.locate());
    EXPECT_EQ(store.dataFilePath(), utf8(folder) + "\\Entry.Dat");
    EXPECT_OK(store.open());
    EXPECT_OK(store.count());
    EXPECT_EQ(store.recordCount(), c.count);
    EXPECT_OK(store.readRecord(1));
    EXPECT_EQ(store.recordBuffer().toBytes(), c.contents ? recordOf('a') : RecordBytes {});
    store.close();

    EXPECT_EQ(readFile(file), c.contents.value_or(""));
    if (c.contents) {
        EXPECT_EQ(lastWritten(file), before) << "opening wrote to the log";
    }
}

// Three records and 200 bytes count as four.
const std::string kExisting = records("abc") + std::string(200, 'x');

INSTANTIATE_TEST_SUITE_P(
    Win32, Open,
    testing::Values(OpenCase { "MissingIsCreatedEmpty", L"plain", std::nullopt, 0 },
                    OpenCase { "ExistingLeftByteIdentical", L"plain", kExisting, 4 },
                    OpenCase { "MissingOutsideAnsiCodePage", L"Zo\u00EB\\Bier \u2713", std::nullopt, 0 },
                    OpenCase { "ExistingOutsideAnsiCodePage", L"Zo\u00EB\\Bier \u2713", kExisting, 4 }),
    caseName<OpenCase>);

// --- Refusals: a second writer, a read-only file, a missing folder ---------

enum class Before { WriterHere, WriterInChild, ReaderHere, ReadOnlyFile, NoFolder };

struct RefusalCase {
    const char* name;
    Before before;
    bool reads;                           // openForReading() rather than open()
    std::optional<StoreError::Kind> kind; // nullopt: let in
    int reason;                           // the errno in the message
};

class Refusal : public testing::TestWithParam<RefusalCase> { };

TEST_P(Refusal, SaysWhyInTheLinuxProgramsWordsAndLeavesTheLog)
{
    const RefusalCase& c = GetParam();
    TempFolder temp(L"log");
    const std::wstring file
        = temp.path().wstring() + (c.before == Before::NoFolder ? L"\\no\\Entry.Dat" : L"\\Entry.Dat");
    if (c.before != Before::NoFolder)
        writeFile(file, records("ab"), c.before == Before::ReadOnlyFile ? FILE_ATTRIBUTE_READONLY : 0);
    {
        std::optional<Child> child;
        LogStore first;
        first.setDataFilePath(utf8(file));
        if (c.before == Before::WriterInChild) {
            child.emplace(ownPath(), L"hold", file);
            ASSERT_TRUE(child->holding()) << "the child could not open the log: exit code " << child->finish();
        } else if (c.before == Before::WriterHere || c.before == Before::ReaderHere) {
            EXPECT_OK(c.before == Before::ReaderHere ? first.openForReading() : first.open());
        }

        LogStore second;
        second.setDataFilePath(utf8(file));
        const Status status = c.reads ? second.openForReading() : second.open();
        if (c.kind) {
            ASSERT_TRUE(status);
            const std::error_code reason
                = c.reason ? std::error_code(c.reason, std::generic_category()) : std::error_code();
            EXPECT_EQ(status->message(), (StoreError { *c.kind, utf8(file), reason }.message()));
        } else {
            EXPECT_OK(status);
        }
        if (child) {
            EXPECT_EQ(child->finish(), 0u);
        }
    }
    if (c.before == Before::NoFolder)
        return;
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    LogStore after; // closing let go: the log opens for writing again
    after.setDataFilePath(utf8(file));
    EXPECT_OK(after.open());
    after.close();
    EXPECT_EQ(readFile(file), records("ab"));
}

INSTANTIATE_TEST_SUITE_P(
    Win32, Refusal,
    testing::Values(RefusalCase { "SecondWriterWhileAnotherProcessHasIt", Before::WriterInChild, false,
                                  StoreError::Kind::AlreadyOpen, 0 },
                    RefusalCase { "SecondWriterInTheSameProcess", Before::WriterHere, false,
                                  StoreError::Kind::AlreadyOpen, 0 },
                    RefusalCase { "ReaderBesideAnotherProcessWriter", Before::WriterInChild, true, std::nullopt, 0 },
                    RefusalCase { "WriterBesideAReader", Before::ReaderHere, false, std::nullopt, 0 },
                    RefusalCase { "ReadOnlyFile", Before::ReadOnlyFile, false, StoreError::Kind::Open, EACCES },
                    RefusalCase { "MissingFolder", Before::NoFolder, false, StoreError::Kind::Open, ENOENT }),
    caseName<RefusalCase>);

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
    TempFolder temp(L"log");
    const std::wstring folder = temp.path().wstring();
    writeFile(folder + L"\\Entry.Dat", records("ab"));
    FaultyFileApi files = c.fault ? FaultyFileApi(*c.fault, c.error) : FaultyFileApi();
    {
        LogStore store(utf8(folder), files);
        EXPECT_OK(store.locate());
        EXPECT_OK(store.open());
        EXPECT_OK(store.count());
        store.recordBuffer() = Record::fromBytes(recordOf('d'));
        EXPECT_EQ(!store.writeRecord(4), c.extendingSaveKept); // past the end, over a gap
        store.recordBuffer() = Record::fromBytes(recordOf('A'));
        EXPECT_OK(store.writeRecord(1));
    }
    EXPECT_EQ(readFile(folder + L"\\Entry.Dat"),
              records("Ab") + (c.extendingSaveKept ? std::string(kRecordSize, '\0') + records("d") : ""));
    LogStore again(utf8(folder));
    EXPECT_OK(again.locate());
    EXPECT_OK(again.open());
    EXPECT_OK(again.count());
    EXPECT_EQ(again.recordCount(), c.extendingSaveKept ? 4 : 2);
}

INSTANTIATE_TEST_SUITE_P(
    Win32, Save,
    testing::Values(SaveCase { "WhateverTheSystemReserves", std::nullopt, 0, true },
                    SaveCase { "WithoutAReservation", FaultyFileApi::Call::Fallocate, EOPNOTSUPP, true },
                    SaveCase { "SyncFailsAndTheFileIsPutBack", FaultyFileApi::Call::Fdatasync, EIO, false }),
    caseName<SaveCase>);

// --- A log past 2 or 4 GiB is too large, never a small one ---------------

class Huge : public testing::TestWithParam<long long> { };

TEST_P(Huge, IsTooLarge)
{
    TempFolder temp(L"log");
    const std::wstring file = temp.path().wstring() + L"\\Entry.Dat";
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
    TempFolder temp(L"Zo\u00EB\\Bier \u2713");
    const std::wstring folder
        = GetParam().driveRoot ? environment(L"PINTWISE_TEST_DRIVE") + L"\\" : temp.path().wstring() + L"\\";
    if (folder == L"\\")
        GTEST_SKIP() << "set PINTWISE_TEST_DRIVE to an empty drive, as scripts/wine-run.sh does";
    const std::wstring program = folder + L"pintwise-test.exe";
    ASSERT_TRUE(CopyFileW(ownPath().c_str(), program.c_str(), FALSE));
    // The separator is added unconditionally: "Q:\" gives "Q:\\Entry.Dat".
    Child child(program, L"locate-save", folder + (GetParam().driveRoot ? L"\\" : L"") + L"Entry.Dat");
    EXPECT_EQ(child.finish(), 0u);
    EXPECT_EQ(readFile(folder + L"Entry.Dat"), records("L"));
    DeleteFileW(program.c_str());
    DeleteFileW((folder + L"Entry.Dat").c_str());
}

INSTANTIATE_TEST_SUITE_P(Win32, Locate,
                         testing::Values(LocateCase { "AtADriveRoot", true },
                                         LocateCase { "InAFolderOutsideAnsiCodePage", false }),
                         caseName<LocateCase>);

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--child")
        return childMain(argv[2]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// UTF-8 on its way to a console arrives in buffers that may end inside a
// character; each row's pieces are the writes, in order.
struct ConsoleTextCase {
    const char* name;
    std::vector<std::string> pieces;
    std::vector<std::wstring> shown; // after each piece
};

class ConsoleTextTest : public testing::TestWithParam<ConsoleTextCase> { };

TEST_P(ConsoleTextTest, ShowsWholeCharactersOnly)
{
    ConsoleText text;
    for (std::size_t i = 0; i < GetParam().pieces.size(); ++i)
        EXPECT_EQ(text.take(GetParam().pieces[i]), GetParam().shown[i]) << "after piece " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Win32, ConsoleTextTest,
    testing::Values(ConsoleTextCase { "Whole", { "Zo\xC3\xAB \xE2\x9C\x93" }, { L"Zo\u00EB \u2713" } },
                    ConsoleTextCase { "ThreeBytesSplitAfterOne", { "a\xE2", "\x9C\x93" }, { L"a", L"\u2713" } },
                    ConsoleTextCase { "ThreeBytesSplitAfterTwo", { "\xE2\x9C", "\x93z" }, { L"", L"\u2713z" } },
                    ConsoleTextCase {
                        "FourBytesInThreePieces", { "\xF0\x9F", "\x8D", "\xBA!" }, { L"", L"", L"\U0001F37A!" } },
                    ConsoleTextCase { "NoUtf8ShowsAsReplacement",
                                      { "a\xFF"
                                        "b" },
                                      { L"a\uFFFDb" } },
                    ConsoleTextCase { "ContinuationWithoutLeadIsNotKept", { "a\x9C", "b" }, { L"a\uFFFD", L"b" } }),
    [](const testing::TestParamInfo<ConsoleTextCase>& info) { return std::string(info.param.name); });
