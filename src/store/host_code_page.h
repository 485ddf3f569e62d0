#pragma once

#include <string>

// Which code page the host's log is written in, and why: on Windows the
// system's ANSI code page, on Linux the one Windows gives the language of the
// user's locale, so that a log kept and read on one machine shows its own
// letters under both programs. It only decides; code_page.h converts, and
// fixes the choice for the process.

namespace pintwise {

class CodePage;

struct CodePageChoice {
    const CodePage* page; // never null
    // Why it is the one, as a report shows it after the page's name:
    // "from GetACP 1250", "from LANG=pl_PL.UTF-8", "no locale set".
    std::string source;
};

// The host's: GetACP() on Windows, the locale variables elsewhere.
CodePageChoice hostCodePage();

// Windows: the ANSI code page GetACP() returned, or Windows-1252 where that
// is not a single-byte one (932, 936, 949, 950, UTF-8).
CodePageChoice codePageForAnsiCodePage(unsigned ansiCodePage);

// Linux: the first of LC_ALL, LC_CTYPE and LANG that is set and not empty
// (nullptr for unset) names the locale; its language decides, and for a
// few its script or territory. Windows-1252 for C, POSIX, no locale at all and every
// language without a single-byte code page.
CodePageChoice codePageForLocale(const char* lcAll, const char* lcCtype, const char* lang);

} // namespace pintwise
