#!/bin/sh
# Fails when a Windows program imports a DLL that Windows does not ship
# itself (libstdc++, libgcc, winpthreads: -static must have folded them in).
# Usage: only_system_dlls.sh OBJDUMP PROGRAM.exe
set -eu
dlls=$("$1" -p "$2" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || { echo "$2: objdump lists no imported DLL" >&2; exit 1; }
# shellcheck disable=SC2086 # one word per DLL
echo "$2 imports:" $dlls
status=0
for dll in $dlls; do
    case $(echo "$dll" | tr '[:upper:]' '[:lower:]') in
        kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | comdlg32.dll | advapi32.dll | shell32.dll | \
            ole32.dll | oleaut32.dll | uxtheme.dll | dwmapi.dll | shcore.dll | version.dll | msvcrt.dll | \
            ucrtbase.dll | api-ms-win-*.dll | ntdll.dll | bcrypt.dll | ws2_32.dll) ;;
        *) echo "$2 needs $dll, which Windows does not ship" >&2; status=1 ;;
    esac
done
exit $status
