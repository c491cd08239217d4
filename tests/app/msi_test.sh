#!/usr/bin/env bash
# The Windows installer under wine, in a fresh prefix of its own: a silent per-machine install puts
# both programs, LICENSE and README into Program Files\ZrT_VivoRaz, the Start-menu shortcut with the
# project's icon, the "Apps and features" entry and the folder on the system PATH; the installed
# command-line program answers --version, also found through PATH in a new console; an installer of
# a higher version (made here with make-msi.sh) upgrades in place, leaving one product; removal
# takes away every file, the shortcut, the entry and the PATH part, and leaves the rest of PATH.
# The portable zip, unpacked, holds both programs, LICENSE and README, and its command-line program
# answers --version.
#   msi_test.sh PACKAGE.msi PACKAGE.zip MAKE_MSI BINDIR SOURCEDIR ICON
set -euo pipefail
msi=$1 zip=$2 make_msi=$3 bindir=$4 sourcedir=$5 icon=$6

work=$(mktemp -d /tmp/zrt-msi-XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
# winemenubuilder off: else wine turns the shortcut into a desktop entry in the home folder.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1
wineboot -i >/dev/null 2>&1

# Output always into files: a wine service started by a call would hold a pipe open.
run() { wine "$@" >"$work/out" 2>"$work/err" </dev/null; }
machine_env='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# The parts of the machine's PATH, one a line, in order; empty parts (wine leaves ";;") dropped.
path_parts() {
    run reg query "$machine_env" /v PATH || fail "no machine PATH"
    sed -n 's/^ *PATH *REG_[A-Z_]* *//p' "$work/out" | tr -d '\r' | tr ';' '\n' | sed '/^$/d'
}
# The "Apps and features" entries named ZrT_VivoRaz, as "version publisher" lines.
products() {
    run reg query "$uninstall_key" /s || true
    tr -d '\r' <"$work/out" | awk '
        /^HKEY/ { if (name == "ZrT_VivoRaz") print version " " publisher; name = version = publisher = "" }
        /^ +DisplayName / { sub(/^ +DisplayName +REG_SZ +/, ""); name = $0 }
        /^ +DisplayVersion / { sub(/^ +DisplayVersion +REG_SZ +/, ""); version = $0 }
        /^ +Publisher / { sub(/^ +Publisher +REG_SZ +/, ""); publisher = $0 }
        END { if (name == "ZrT_VivoRaz") print version " " publisher }'
}

python3 -m zipfile -e "$zip" "$work/portable"
portable=$(echo "$work"/portable/*)
[ "$(find "$work/portable" -type f -printf '%P\n' | sort | tr '\n' ' ')" = \
  "${portable##*/}/LICENSE.txt ${portable##*/}/README.md ${portable##*/}/zrt-vivoraz-cli.exe ${portable##*/}/zrt-vivoraz.exe " ] \
    || fail "the zip holds: $(find "$work/portable" -type f -printf '%P ')"
run "$(winepath -w "$portable/zrt-vivoraz-cli.exe")" --version || fail "the zip's zrt-vivoraz-cli --version"
[ "$(tr -d '\r' <"$work/out")" = "zrt-vivoraz-cli 1.9" ] || fail "the zip's --version said: $(cat "$work/out")"
echo "== the portable zip: both programs, LICENSE, README; its zrt-vivoraz-cli answers"

folder="$WINEPREFIX/drive_c/Program Files/ZrT_VivoRaz"
winfolder='C:\Program Files\ZrT_VivoRaz'
path_part="$winfolder\\"  # as the installer writes the folder: with its final backslash
shortcut=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs)/ZrT_VivoRaz.lnk
path_parts >"$work/path-before"
[ -s "$work/path-before" ] || fail "the fresh prefix has an empty PATH"

run msiexec /i "$(winepath -w "$msi")" /qn || fail "msiexec /i: $(cat "$work/out" "$work/err")"
for file in zrt-vivoraz.exe zrt-vivoraz-cli.exe LICENSE.txt README.md; do
    [ -s "$folder/$file" ] || fail "$file not installed"
done
cmp -s "$folder/zrt-vivoraz.exe" "$bindir/zrt-vivoraz.exe" || fail "installed zrt-vivoraz.exe differs"
[ -f "$shortcut" ] || fail "no Start-menu shortcut at $shortcut"
# The shortcut starts the window and shows the icon the installer keeps for the product.
strings -a "$shortcut" | grep -qxF "$winfolder\\zrt-vivoraz.exe" || fail "the shortcut does not start zrt-vivoraz.exe"
shortcut_icon=$(strings -a -el "$shortcut" | grep -o 'C:\\windows\\Installer\\[^ ]*ZrtVivoraz\.ico' | head -n1 \
    || true)
[ -n "$shortcut_icon" ] || fail "the shortcut names no icon of the product"
cmp -s "$(winepath -u "$shortcut_icon")" "$icon" || fail "the shortcut's icon is not the project's"
[ "$(products)" = "1.9.0 ZrT_VivoRaz maintainers" ] || fail "Apps and features: $(products)"
path_parts >"$work/path-installed"
grep -vxF "$path_part" "$work/path-installed" | cmp -s - "$work/path-before" \
    || fail "PATH other than the folder changed: $(tr '\n' ';' <"$work/path-installed")"
[ "$(grep -cxF "$path_part" "$work/path-installed")" = 1 ] || fail "the folder is not once on PATH"
echo "== installed: files, shortcut, Apps and features entry, PATH"

run "$winfolder\\zrt-vivoraz-cli.exe" --version || fail "installed zrt-vivoraz-cli --version failed"
[ "$(tr -d '\r' <"$work/out")" = "zrt-vivoraz-cli 1.9" ] || fail "--version said: $(cat "$work/out")"
# A new console takes PATH from the machine's environment.
run cmd /c "zrt-vivoraz-cli --version" || fail "zrt-vivoraz-cli not found on PATH"
[ "$(tr -d '\r' <"$work/out")" = "zrt-vivoraz-cli 1.9" ] || fail "through PATH: $(cat "$work/out")"
echo "== the installed zrt-vivoraz-cli answers, also through PATH"

"$make_msi" "$work/newer.msi" 1.9.1 "$bindir" "$sourcedir" "$icon"
run msiexec /i "$(winepath -w "$work/newer.msi")" /qn || fail "msiexec /i newer: $(cat "$work/err")"
[ "$(products)" = "1.9.1 ZrT_VivoRaz maintainers" ] || fail "after the upgrade: $(products)"
[ -s "$folder/zrt-vivoraz-cli.exe" ] && [ -f "$shortcut" ] || fail "the upgrade lost files"
[ "$(path_parts | grep -cxF "$path_part")" = 1 ] || fail "after the upgrade the folder is not once on PATH"
echo "== a higher version upgraded in place: one product"

run msiexec /x "$(winepath -w "$work/newer.msi")" /qn || fail "msiexec /x: $(cat "$work/err")"
left=$(find "$folder" -type f 2>/dev/null || true)
[ -z "$left" ] || fail "left behind: $left"
[ ! -e "$shortcut" ] || fail "the shortcut was left behind"
[ -z "$(products)" ] || fail "still in Apps and features: $(products)"
path_parts | cmp -s - "$work/path-before" || fail "PATH after removal: $(path_parts | tr '\n' ';')"
echo "== removed: no file, no shortcut, no entry, PATH as before"
