#!/usr/bin/env bash
# Makes the wine prefix $WINEPREFIX (which must be set; the folder may exist, empty) ready for the
# Windows programs and their windows on an X display with no desktop and no window manager: wine's
# background services started with their output to /dev/null, the fonts of fonts-wine in the
# prefix (with no fonts wine draws no text), windows unmanaged and drawn with wine's own frame,
# hidraw devices presented through winebus (its SDL backend off), and the resolution
# ${ZRT_WINE_DPI:-96} dpi. Leaves the prefix's wineserver running.
set -euo pipefail
: "${WINEPREFIX:?}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -p
wineboot -i >/dev/null 2>&1
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$WINEPREFIX/drive_c/windows/Fonts/"
reg() { wine reg add "$1" /v "$2" /t REG_"$3" /d "$4" /f >/dev/null 2>&1; }
reg 'HKCU\Software\Wine\X11 Driver' Managed SZ N
reg 'HKCU\Software\Wine\X11 Driver' Decorated SZ N
reg 'HKLM\System\CurrentControlSet\Services\winebus' 'Enable SDL' DWORD 0
reg 'HKCU\Control Panel\Desktop' LogPixels DWORD "${ZRT_WINE_DPI:-96}"
