#include "win32_file_support.h"

#include "file_api.h"

#include <cerrno>
#include <string_view>

namespace pintwise {

int errnoFromWin32(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_PATHNAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    case ERROR_NO_UNICODE_TRANSLATION:
        return EILSEQ;
    case ERROR_INVALID_HANDLE:
        return EBADF;
    case ERROR_BROKEN_PIPE: // the reader is gone
    case ERROR_NO_DATA:
        return EPIPE;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EWOULDBLOCK;
    default:
        return EIO;
    }
}

bool toWide(const char* utf8, std::wstring& wide)
{
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (length <= 0)
        return false;
    wide.resize(static_cast<std::size_t>(length));
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide.data(), length) != length)
        return false;
    wide.pop_back(); // the terminating zero
    return true;
}

bool toUtf8(const std::wstring& wide, std::string& utf8)
{
    utf8.clear();
    if (wide.empty())
        return true; // an empty argument is one
    const int wideLength = static_cast<int>(wide.size());
    const int length
        = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return false;
    utf8.resize(static_cast<std::size_t>(length));
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), wideLength, utf8.data(), length, nullptr,
                               nullptr)
        == length;
}

std::string executablePath(std::error_code& reason)
{
    // A path may be as long as 32,767 UTF-16 units; start at MAX_PATH and grow.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            reason = std::error_code(errnoFromWin32(GetLastError()), std::generic_category());
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768) {
            reason = std::error_code(ENAMETOOLONG, std::generic_category());
            return {};
        }
        path.resize(path.size() * 2);
    }
    // Started from a share, a module may be named in the NT form of its
    // path: Windows gives "\\?\UNC\server\share\..." past MAX_PATH,
    // Wine "UNC\server\share\..." always. The log beside it is
    // "\\server\share\..." to everyone else.
    for (const std::wstring_view prefix : { std::wstring_view(L"\\\\?\\UNC\\"), std::wstring_view(L"UNC\\") }) {
        if (path.starts_with(prefix)) {
            path.replace(0, prefix.size(), L"\\\\");
            break;
        }
    }
    if (path.starts_with(L"\\\\?\\"))
        path.erase(0, 4); // "\\?\C:\..."
    std::string utf8;
    if (!toUtf8(path, utf8)) {
        reason = std::error_code(errnoFromWin32(GetLastError()), std::generic_category());
        return {};
    }
    return utf8;
}

std::string temporaryDirectory(std::error_code& reason)
{
    // At most MAX_PATH + 1 characters and the terminating zero, says its documentation.
    std::wstring folder(MAX_PATH + 2, L'\0');
    const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    std::string utf8;
    if (length == 0 || length >= folder.size() || !toUtf8(folder.substr(0, length), utf8)) {
        reason = std::error_code(length == 0 ? errnoFromWin32(GetLastError()) : ENAMETOOLONG, std::generic_category());
        return {};
    }
    while (utf8.size() > 3 && (utf8.back() == '\\' || utf8.back() == '/'))
        utf8.pop_back(); // "C:\Temp\" -> "C:\Temp"; "C:\" stays a root
    return utf8;
}

namespace {

// `text` in the ANSI code page, if the page has every character of it.
bool toAnsi(const std::wstring& text, std::string& bytes)
{
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, &lossy);
    if (length <= 0 || lossy)
        return false;
    bytes.resize(static_cast<std::size_t>(length));
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), bytes.data(),
                               length, nullptr, nullptr)
        == length;
}

} // namespace

std::string libraryPath(const std::string& path, std::error_code& reason)
{
    if (GetACP() == CP_UTF8)
        return path; // a Windows set to use UTF-8 for everything
    std::wstring wide;
    std::string bytes;
    if (toWide(path.c_str(), wide) && toAnsi(wide, bytes))
        return bytes;
    std::wstring shortPath(32768, L'\0');
    const DWORD length = GetShortPathNameW(wide.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    if (length > 0 && length < shortPath.size()) {
        shortPath.resize(length);
        if (toAnsi(shortPath, bytes))
            return bytes;
    }
    reason = std::error_code(EILSEQ, std::generic_category());
    return {};
}

} // namespace pintwise
