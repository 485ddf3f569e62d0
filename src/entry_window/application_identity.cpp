#include "application_identity.h"

#include <QGuiApplication>
#include <QIcon>

namespace pintwise {

void setApplicationIdentity(QGuiApplication& app)
{
    app.setApplicationName("Pintwise");
    app.setDesktopFileName("pintwise");
    // The icon is drawn by Qt's SVG icon engine; without it the windows simply
    // show the desktop's default icon.
    app.setWindowIcon(QIcon(":/icons/pintwise.svg"));
}

} // namespace pintwise
