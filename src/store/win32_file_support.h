#pragma once

#include "win32_api.h"

#include <cerrno>
#include <string>

// What the Win32 file layer shares with its neighbours: Win32's error codes
// as the errno values the store words its messages from, and paths between
// the store's UTF-8 and Windows' UTF-16. No file is touched here.

namespace pintwise {

int errnoFromWin32(DWORD error);

// A failed call in POSIX's way: errno set, -1 returned.
inline int failWithErrno(int errnoValue)
{
    errno = errnoValue;
    return -1;
}

inline int failWith(DWORD error)
{
    return failWithErrno(errnoFromWin32(error));
}

// False, with the Win32 error set, for text that is not valid UTF-8 / UTF-16.
bool toWide(const char* utf8, std::wstring& wide);
bool toUtf8(const std::wstring& wide, std::string& utf8);

} // namespace pintwise
