#!/usr/bin/env bash
# The Windows installer under wine, in a fresh prefix of its own: a silent per-machine install puts
# both programs, LICENSE and the README page into Program Files\ZrT_VivoRaz, the Start-menu
# shortcut with the project's icon, the "Apps and features" entry of version VERSION (1.9.B) and
# the folder on the system PATH; the installed command-line program answers --version, also found
# through PATH in a new console. Installers made here with make-msi.sh, each with its own README: a rebuild of B,
# signed (sign.sh) with a throw-away certificate, and one of B+1 each replace the installed one in
# place (one product, their files); one of B-1 is refused with the downgrade message. Removal takes
# away every file, the shortcut, the entry and the PATH part, and leaves the rest of PATH.
# The signatures: osslsigncode finds a valid one on both programs and the installer, by a
# certificate it does not trust; a build that signs nothing (SIGNING "unsigned") packages no
# signature. The portable zip, unpacked, holds both programs, LICENSE and the README page made from
# README.md (an HTML page, which Windows opens on a double-click), and its command-line program
# answers --version.
#   msi_test.sh PACKAGE.msi PACKAGE.zip VERSION SIGNING PACKAGED SCRIPTDIR BINDIR SOURCEDIR ICON
# PACKAGED holds the programs the packages hold, BINDIR the programs as built (unsigned),
# SCRIPTDIR make-msi.sh and sign.sh.
set -euo pipefail
msi=$1 zip=$2 version=$3 signing=$4 packaged=$5 scripts=$6 bindir=$7 sourcedir=$8 icon=$9
build=${version##*.} release=${version%.*}

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
  "${portable##*/}/LICENSE.txt ${portable##*/}/README.html ${portable##*/}/zrt-vivoraz-cli.exe ${portable##*/}/zrt-vivoraz.exe " ] \
    || fail "the zip holds: $(find "$work/portable" -type f -printf '%P ')"
run "$(winepath -w "$portable/zrt-vivoraz-cli.exe")" --version || fail "the zip's zrt-vivoraz-cli --version"
[ "$(tr -d '\r' <"$work/out")" = "zrt-vivoraz-cli 1.9" ] || fail "the zip's --version said: $(cat "$work/out")"
# The page is the README's: its first heading and its last section, in a page that says UTF-8.
grep -qF '<meta charset="utf-8">' "$portable/README.html" || fail "README.html names no charset"
grep -qxF '<h1>ZrT_VivoRaz</h1>' "$portable/README.html" || fail "README.html lacks the title"
last_heading=$(grep '^## ' "$sourcedir/README.md" | tail -n1 | sed 's/^## //')
grep -qF "<h2>$last_heading</h2>" "$portable/README.html" || fail "README.html lacks \"$last_heading\""
echo "== the portable zip: both programs, LICENSE, README page; its zrt-vivoraz-cli answers"

# Signatures. A build without a signing key packages none.
if [ "$signing" = unsigned ]; then
    for file in "$msi" "$portable/zrt-vivoraz.exe" "$portable/zrt-vivoraz-cli.exe"; do
        ! osslsigncode verify -in "$file" >"$work/verify" 2>&1 || fail "${file##*/} is signed"
        grep -qi "no signature\|not have any signature" "$work/verify" \
            || fail "$(cat "$work/verify")"
    done
fi
# A throw-away code-signing certificate, as PEM files and as PKCS#12 with a password; the programs
# signed with the PKCS#12 file, an installer of them (a rebuild of this version) with the PEM files.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
    -subj "/CN=ZrT_VivoRaz test" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -out "$work/key.p12" -inkey "$work/key.pem" -in "$work/cert.pem" \
    -passout pass:test-password
mkdir "$work/signed"
for program in zrt-vivoraz.exe zrt-vivoraz-cli.exe; do
    ZRT_SIGN_PASSWORD=test-password \
        "$scripts/sign.sh" --pkcs12 "$work/key.p12" "$bindir/$program" "$work/signed/$program"
done
# An installer of version $1 of the programs in folder $2, its README ending in a paragraph of its
# own, $3: $work/$3.msi, and the page it installs, $work/$3/README.html.
make_msi() {
    mkdir "$work/$3"
    cp "$sourcedir/LICENSE" "$work/$3/"
    { cat "$sourcedir/README.md"; printf '\n%s\n' "$3"; } >"$work/$3/README.md"
    "$scripts/readme-html.sh" "$work/$3/README.md" "$work/$3/README.html"
    "$scripts/make-msi.sh" "$work/$3.msi" "$1" "$2" "$work/$3" "$icon"
}
make_msi "$version" "$work/signed" rebuild
"$scripts/sign.sh" --cert "$work/cert.pem" --key "$work/key.pem" "$work/rebuild.msi" \
    "$work/rebuild-signed.msi"
for file in signed/zrt-vivoraz.exe signed/zrt-vivoraz-cli.exe rebuild-signed.msi; do
    ! osslsigncode verify -in "$work/$file" >"$work/verify" 2>&1 \
        || fail "$file: the test's certificate is trusted"
    grep -q "self-signed certificate" "$work/verify" || fail "$file: $(cat "$work/verify")"
    osslsigncode verify -CAfile "$work/cert.pem" -in "$work/$file" >"$work/verify" 2>&1 \
        || fail "$file has no valid signature: $(cat "$work/verify")"
done
# A timestamp server that is named is asked: here none answers, and nothing is signed.
! "$scripts/sign.sh" --cert "$work/cert.pem" --key "$work/key.pem" --timestamp http://127.0.0.1:9/ \
    "$work/rebuild.msi" "$work/stamped.msi" 2>/dev/null || fail "signed without its timestamp"
[ ! -e "$work/stamped.msi" ] || fail "a signing that failed left $work/stamped.msi"
echo "== signed: both programs and an installer, valid signatures of an untrusted certificate"

folder="$WINEPREFIX/drive_c/Program Files/ZrT_VivoRaz"
winfolder='C:\Program Files\ZrT_VivoRaz'
path_part="$winfolder\\"  # as the installer writes the folder: with its final backslash
shortcut=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs)/ZrT_VivoRaz.lnk
path_parts >"$work/path-before"
[ -s "$work/path-before" ] || fail "the fresh prefix has an empty PATH"
# What is installed: one product, of version $1, with the README page of installer $2 (the page
# $2/README.html under $work, or the packages' own for "built") and the window program $3; the
# shortcut; the folder once on PATH.
expect_installed() {
    local page="$work/$2/README.html"
    [ "$2" = built ] && page="$portable/README.html"
    [ "$(products)" = "$1 ZrT_VivoRaz maintainers" ] || fail "Apps and features: $(products)"
    cmp -s "$folder/README.html" "$page" || fail "README.html is not of the installer $2"
    cmp -s "$folder/zrt-vivoraz.exe" "$3" || fail "zrt-vivoraz.exe is not of the installer $2"
    [ -f "$shortcut" ] || fail "no Start-menu shortcut at $shortcut"
    [ "$(path_parts | grep -cxF "$path_part")" = 1 ] || fail "the folder is not once on PATH"
}

run msiexec /i "$(winepath -w "$msi")" /qn || fail "msiexec /i: $(cat "$work/out" "$work/err")"
for file in zrt-vivoraz.exe zrt-vivoraz-cli.exe LICENSE.txt README.html; do
    [ -s "$folder/$file" ] || fail "$file not installed"
done
expect_installed "$version" built "$packaged/zrt-vivoraz.exe"
# The shortcut starts the window and shows the icon the installer keeps for the product.
strings -a "$shortcut" | grep -qxF "$winfolder\\zrt-vivoraz.exe" || fail "the shortcut does not start zrt-vivoraz.exe"
shortcut_icon=$(strings -a -el "$shortcut" | grep -o 'C:\\windows\\Installer\\[^ ]*ZrtVivoraz\.ico' | head -n1 \
    || true)
[ -n "$shortcut_icon" ] || fail "the shortcut names no icon of the product"
cmp -s "$(winepath -u "$shortcut_icon")" "$icon" || fail "the shortcut's icon is not the project's"
path_parts >"$work/path-installed"
grep -vxF "$path_part" "$work/path-installed" | cmp -s - "$work/path-before" \
    || fail "PATH other than the folder changed: $(tr '\n' ';' <"$work/path-installed")"
echo "== installed: files, shortcut, Apps and features entry, PATH"

run "$winfolder\\zrt-vivoraz-cli.exe" --version || fail "installed zrt-vivoraz-cli --version failed"
[ "$(tr -d '\r' <"$work/out")" = "zrt-vivoraz-cli 1.9" ] || fail "--version said: $(cat "$work/out")"
# A new console takes PATH from the machine's environment.
run cmd /c "zrt-vivoraz-cli --version" || fail "zrt-vivoraz-cli not found on PATH"
[ "$(tr -d '\r' <"$work/out")" = "zrt-vivoraz-cli 1.9" ] || fail "through PATH: $(cat "$work/out")"
echo "== the installed zrt-vivoraz-cli answers, also through PATH"

# Installing the signed rebuild of this version, then one of the next, then one of the last.
run msiexec /i "$(winepath -w "$work/rebuild-signed.msi")" /qn || fail "the rebuild: $(cat "$work/err")"
expect_installed "$version" rebuild "$work/signed/zrt-vivoraz.exe"
run "$winfolder\\zrt-vivoraz-cli.exe" --version || fail "the signed zrt-vivoraz-cli failed"
echo "== the signed rebuild of $version replaced it in place: one product, its files"
higher=$release.$((build + 1))
make_msi "$higher" "$bindir" higher
run msiexec /i "$(winepath -w "$work/higher.msi")" /qn || fail "$higher: $(cat "$work/err")"
expect_installed "$higher" higher "$bindir/zrt-vivoraz.exe"
echo "== $higher replaced it in place: one product, its files"
lower=$release.$((build > 0 ? build - 1 : 0))
make_msi "$lower" "$bindir" lower
# Refused by the launch condition of the downgrade rule, whose message a user sees (here, silent,
# wine shows none: its trace names the condition that stopped the installer).
status=0
WINEDEBUG=trace+msi run msiexec /i "$(winepath -w "$work/lower.msi")" /qn || status=$?
[ "$status" = $((1603 % 256)) ] || fail "msiexec of $lower over $higher: status $status, not 1603"
grep -q 'EvaluateConditionW L"NOT WIX_DOWNGRADE_DETECTED"' "$work/err" \
    && grep -q 'action L"LaunchConditions" returned 1603' "$work/err" \
    || fail "not refused as a downgrade"
msiinfo export "$work/lower.msi" LaunchCondition | tr -d '\r' \
    | grep -qxF "NOT WIX_DOWNGRADE_DETECTED	A newer version of ZrT_VivoRaz is already installed." \
    || fail "the downgrade rule's message: $(msiinfo export "$work/lower.msi" LaunchCondition)"
expect_installed "$higher" higher "$bindir/zrt-vivoraz.exe"
echo "== $lower refused (msiexec's status $status), $higher kept"

run msiexec /x "$(winepath -w "$work/higher.msi")" /qn || fail "msiexec /x: $(cat "$work/err")"
left=$(find "$folder" -type f 2>/dev/null || true)
[ -z "$left" ] || fail "left behind: $left"
[ ! -e "$shortcut" ] || fail "the shortcut was left behind"
[ -z "$(products)" ] || fail "still in Apps and features: $(products)"
path_parts | cmp -s - "$work/path-before" || fail "PATH after removal: $(path_parts | tr '\n' ';')"
echo "== removed: no file, no shortcut, no entry, PATH as before"
