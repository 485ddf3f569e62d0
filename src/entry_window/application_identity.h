#pragma once

class QGuiApplication;

// How the desktop knows the program: its name, the .desktop file it was
// started from (so a dock or task bar groups its windows under the launcher),
// and the glass icon every window carries. main() calls this before building
// any window; it touches no files and adds no options.

namespace pintwise {

void setApplicationIdentity(QGuiApplication& app);

} // namespace pintwise
