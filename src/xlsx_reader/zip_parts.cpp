// ZipParts on libzip: the archive opened from memory, each part inflated in
// chunks and counted. Parsing what a part holds is left to its reader.

#include "zip_parts.h"

#include <zip.h>

namespace pintwise {

ZipParts::ZipParts(std::string_view bytes, std::uint64_t maxPartSize)
    : m_maxPartSize(maxPartSize)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source) {
        m_zip = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (!m_zip)
            zip_source_free(source);
    }
    // An archive's directory is at its end: a file that starts as a zip
    // and has none was cut short. libzip 1.10 (Debian 13) names that case
    // itself; earlier versions only say that it is no zip.
    int code = zip_error_code_zip(&error);
#ifdef ZIP_ER_TRUNCATED_ZIP
    if (code == ZIP_ER_TRUNCATED_ZIP)
        code = ZIP_ER_NOZIP;
#endif
    if (!m_zip && code != ZIP_ER_NOZIP)
        m_error = std::string("its zip archive is damaged (") + zip_error_strerror(&error) + ")";
    else if (!m_zip)
        m_error = looksLikeZip(bytes) ? "its zip archive is cut short or damaged: the directory at its end is missing"
                                      : "it is not a zip archive";
    zip_error_fini(&error);
}

ZipParts::~ZipParts()
{
    if (m_zip)
        zip_discard(m_zip);
}

bool ZipParts::has(const std::string& name) const
{
    return zip_name_locate(m_zip, name.c_str(), 0) >= 0;
}

bool ZipParts::stream(const std::string& name, const Take& take)
{
    m_error.clear();
    zip_file_t* file = zip_fopen(m_zip, name.c_str(), 0);
    if (!file) {
        m_error = name + " is missing from the archive";
        return false;
    }
    // The size the archive claims may lie: what inflates is counted.
    std::uint64_t inflated = 0;
    bool fine = true;
    for (;;) {
        const zip_int64_t n = zip_fread(file, m_chunk.data(), m_chunk.size());
        if (n < 0) {
            m_error = name + " cannot be inflated (" + zip_file_strerror(file) + ")";
            fine = false;
            break;
        }
        if (n == 0)
            break;
        inflated += std::uint64_t(n);
        if (inflated > m_maxPartSize) {
            m_error = name + " inflates to more than " + std::to_string(m_maxPartSize >> 20)
                + " MiB, far more than any log's workbook holds";
            fine = false;
            break;
        }
        if (!take(std::string_view(m_chunk.data(), std::size_t(n)))) {
            fine = false;
            break;
        }
    }
    zip_fclose(file);
    return fine;
}

bool ZipParts::looksLikeZip(std::string_view bytes)
{
    return bytes.starts_with(std::string_view("PK\x03\x04", 4)) || bytes.starts_with(std::string_view("PK\x05\x06", 4));
}

} // namespace pintwise
