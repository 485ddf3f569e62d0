#include "output_sink.h"

#include "platform.h"

#include <cerrno>

namespace pintwise {

OutputSink::OutputSink(FileApi& files)
    : m_files(&files)
{
    m_buffer.reserve(kFlushSize + 4096);
}

OutputSink::OutputSink(std::string& memory)
    : m_memory(&memory)
{
}

OutputSink::~OutputSink()
{
    if (m_ownsFd)
        m_files->close(m_fd);
}

ToolStatus OutputSink::openFile(const std::string& path)
{
    const int fd = m_files->open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return ToolError { kExitFailure, "cannot create " + quoted(path) + ": " + reasonText(errno) };
    m_fd = fd;
    m_ownsFd = true;
    m_name = quoted(path);
    return {};
}

bool OutputSink::isTerminal() const
{
    return m_files && m_files->isatty(m_fd) == 1;
}

void OutputSink::flush()
{
    if (m_memory) {
        *m_memory += m_buffer;
        m_buffer.clear();
        return;
    }
    std::size_t done = 0;
    while (done < m_buffer.size() && m_error == 0) {
        const ssize_t n = m_files->write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            m_error = n < 0 ? errno : EIO;
        else
            done += static_cast<std::size_t>(n);
    }
    m_buffer.clear();
}

ToolStatus OutputSink::finish()
{
    flush();
    if (m_ownsFd) {
        // A file system may report a failed write only when the file is closed.
        if (m_files->close(m_fd) != 0 && m_error == 0)
            m_error = errno;
        m_ownsFd = false;
    }
    if (m_error != 0)
        return ToolError { kExitFailure, "cannot write to " + m_name + ": " + reasonText(m_error) };
    return {};
}

} // namespace pintwise
