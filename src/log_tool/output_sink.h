#pragma once

#include "file_api.h"
#include "tool_error.h"

#include <string>
#include <string_view>

// Where a command's output goes: standard output, a file that --output
// names, or (for tests) a string. It gathers text into a 64 KiB buffer and
// hands it to the file layer's write() a buffer at a time, so an export's
// memory stays flat, and it keeps the first write error for finish() to
// report. It is never the log: only the store reads and writes that.

namespace pintwise {

class OutputSink {
public:
    // Standard output, never closed here.
    explicit OutputSink(FileApi& files);
    // Everything written collects in `memory`; nothing can fail.
    explicit OutputSink(std::string& memory);
    ~OutputSink();
    OutputSink(const OutputSink&) = delete;
    OutputSink& operator=(const OutputSink&) = delete;

    // Creates or truncates `path` and writes there instead (never for a
    // sink into memory).
    [[nodiscard]] ToolStatus openFile(const std::string& path);

    // The text waiting to be written: writers append to it, then call flushIfFull().
    std::string& buffer() { return m_buffer; }
    void append(std::string_view text) { m_buffer += text; }
    void flushIfFull()
    {
        if (m_buffer.size() >= kFlushSize)
            flush();
    }

    // Writes what is left, closes a file it opened, and says whether every
    // byte arrived.
    [[nodiscard]] ToolStatus finish();

    const std::string& name() const { return m_name; }
    // Whether the text goes to a terminal, where a binary file would only garble it.
    bool isTerminal() const;

private:
    static constexpr std::size_t kFlushSize = std::size_t(64) * 1024;
    void flush();

    FileApi* m_files = nullptr;
    int m_fd = 1;
    bool m_ownsFd = false;
    std::string* m_memory = nullptr;
    std::string m_name = "standard output";
    std::string m_buffer;
    int m_error = 0;
};

} // namespace pintwise
