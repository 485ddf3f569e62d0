// pintwise.exe: one LogStore ("Entry.Dat" beside this executable), the real
// message boxes and the Win32 entry window, then the message loop.

#include "log_store.h"
#include "win32_api.h"
#include "win32_entry_window.h"
#include "win32_message_box.h"

#include <commctrl.h>

#include <cstdlib>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // The manifest asks for version 6 of the common controls, which draws
    // the buttons, fields and list in the system's own style.
    INITCOMMONCONTROLSEX controls { sizeof controls, ICC_STANDARD_CLASSES };
    InitCommonControlsEx(&controls);

    pintwise::LogStore store;
    pintwise::Win32MessageBox messages;
    pintwise::Win32EntryWindow window(store, messages, instance);
    messages.setOwner(window.window());

    switch (window.load()) {
    case pintwise::EntryController::LoadResult::Shown:
        return window.runMessageLoop();
    case pintwise::EntryController::LoadResult::Declined:
        return EXIT_SUCCESS;
    case pintwise::EntryController::LoadResult::Failed:
        break;
    }
    return EXIT_FAILURE;
}
