#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A zip archive held in memory, its parts handed on a chunk at a time as they
// inflate, and never kept: at most kMaxPartSize of any part is inflated. It
// refuses what is not a zip, saying why. It knows nothing of what the parts
// hold; libzip stays behind it.

using zip_t = struct zip;

namespace pintwise {

class ZipParts {
public:
    // No part of a real log's workbook comes near this inflated: a full log
    // of 32,767 entries makes a sheet of a few tens of MiB at most.
    static constexpr std::uint64_t kMaxPartSize = std::uint64_t(128) << 20;

    // Takes the next chunk of a part; false to stop.
    using Take = std::function<bool(std::string_view chunk)>;

    // Opens the archive over `bytes`, which must outlive it; isOpen() says
    // whether it could, error() why not. `maxPartSize` is for the tests.
    explicit ZipParts(std::string_view bytes, std::uint64_t maxPartSize = kMaxPartSize);
    ~ZipParts();
    ZipParts(const ZipParts&) = delete;
    ZipParts& operator=(const ZipParts&) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    const std::string& error() const { return m_error; }
    bool has(const std::string& name) const;

    // Hands the part to `take` a chunk at a time. False when `take` refused
    // a chunk, or with error() set when the part is missing, damaged or too
    // large.
    bool stream(const std::string& name, const Take& take);

    // A zip archive's first bytes: a local file header, or an empty archive's end.
    static bool looksLikeZip(std::string_view bytes);

private:
    zip_t* m_zip = nullptr;
    std::uint64_t m_maxPartSize;
    std::string m_error;
    std::vector<char> m_chunk = std::vector<char>(std::size_t(256) << 10);
};

} // namespace pintwise
