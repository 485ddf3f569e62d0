#pragma once

#include "commands.h"
#include "record.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

// What every file of pintwise-log's suite shares: running the tool in
// process, a log's bytes written as fields, files as bytes, and the rows of
// a table named so that googletest can show them. Standard library only; the
// real binary is run by process_run.h.

namespace pintwise::test {

inline const std::string kSpaces(kRecordSize, ' ');
inline const std::string kZeros(kRecordSize, '\0');

struct ToolRun {
    int status = 0;
    std::string out; // as written: a workbook is no text
    std::string err;
};

inline ToolRun runTool(const std::vector<std::string>& arguments, FileApi& files = systemFileApi())
{
    ToolRun run;
    {
        OutputSink sink(run.out);
        run.status = runLogTool(arguments, sink, run.err, files);
    }
    return run;
}

inline std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string pathText(const std::filesystem::path& path)
{
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Every "%KEY%" in `text` replaced.
inline std::string fill(std::string text, std::initializer_list<std::pair<std::string, std::string>> values)
{
    for (const auto& [key, value] : values) {
        for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    }
    return text;
}

// One record's 380 file bytes: each given field space-padded to its width
// (20 bytes, 200 for the tenth); fields not given are all spaces.
inline std::string recordBytes(const std::vector<std::string>& fields)
{
    std::string bytes;
    for (int i = 0; i < kFieldCount; ++i) {
        const std::size_t width = fieldLayout(static_cast<Field>(i)).width;
        const std::string field = i < int(fields.size()) ? fields[std::size_t(i)].substr(0, width) : std::string();
        bytes += field + std::string(width - field.size(), ' ');
    }
    return bytes;
}

// A record whose ten fields are "<name> 1" ... "<name> 10", each padded.
inline std::string sampleRecord(const std::string& name)
{
    std::vector<std::string> fields { name };
    for (int i = 2; i <= kFieldCount; ++i)
        fields.push_back(name + ' ' + std::to_string(i));
    return recordBytes(fields);
}

// A table row's name as googletest accepts it: letters, digits and '_'.
inline std::string testName(const std::string& name)
{
    std::string result;
    for (const char c : name)
        result += (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : '_';
    return result;
}

// For INSTANTIATE_TEST_SUITE_P over rows with a `name` member.
struct RowName {
    template <typename Row> std::string operator()(const testing::TestParamInfo<Row>& info) const
    {
        return testName(info.param.name);
    }
};

} // namespace pintwise::test
