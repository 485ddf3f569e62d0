// `pintwise-log check` on any bytes as the log: the input becomes a file in
// memory (memfd), which the store opens by its /proc path as it opens a log.

#include "commands.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

using namespace pintwise;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = ::memfd_create("Entry.Dat", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    std::string out, errors;
    {
        OutputSink sink(out);
        (void)runLogTool({ "check", "/proc/self/fd/" + std::to_string(fd) }, sink, errors);
    }
    ::close(fd);
    return 0;
}
