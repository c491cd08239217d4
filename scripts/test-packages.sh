#!/usr/bin/env bash
# Builds the two Debian packages from build/ (cpack -G DEB) and checks them as a user's machine
# would see them: lintian reports no error, both hold the README in their documentation folder and
# the window's depends on Qt's translations, the desktop entry and the AppStream metainfo validate,
# both packages install with apt-get, the installed zrt-vivoraz-cli answers --version and lists the
# virtual reader of the umockdev bed, the installed window shows under Xvfb with the project's icon
# and the desktop entry's window class, and a purge leaves no file behind; then the Ansible example
# (examples/ansible/linux.yml) installs them and configures two virtual readers
# (tests/app/ansible_test.cpp). The purge runs on every way out, failures included. Needs root.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

rm -rf "$build/packages"
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/packages/*.deb)
echo "== packages: ${debs[*]##*/}"

lintian --allow-root --fail-on error "${debs[@]}"
desktop-file-validate app/linux/org.zrtvivoraz.ZrtVivoraz.desktop
appstreamcli validate --no-net app/linux/org.zrtvivoraz.ZrtVivoraz.metainfo.xml

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    DEBIAN_FRONTEND=noninteractive apt-get purge -y zrt-vivoraz zrt-vivoraz-cli >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${debs[@]/#/./}" >"$work/install.log" 2>&1 \
    || { cat "$work/install.log"; exit 1; }
dpkg -L zrt-vivoraz zrt-vivoraz-cli | sort -u >"$work/files"
# The README where the About box and the messages send the user, and Qt's Polish for the window.
for package in zrt-vivoraz zrt-vivoraz-cli; do
    zcat "/usr/share/doc/$package/README.md.gz" | cmp -s - README.md \
        || { echo "no README in /usr/share/doc/$package"; exit 1; }
done
dpkg-query -W -f='${Depends}' zrt-vivoraz | grep -q 'qt6-translations-l10n' \
    || { echo "zrt-vivoraz does not depend on qt6-translations-l10n"; exit 1; }
echo "== both packages hold the README; the window's depends on Qt's translations"

test "$(/usr/bin/zrt-vivoraz-cli --version)" = "zrt-vivoraz-cli 1.9"
cat >"$work/list.sh" <<'PROBE'
#!/bin/sh
/usr/bin/zrt-vivoraz-cli list >"$(dirname "$0")/list.out"
PROBE
chmod +x "$work/list.sh"
"$build/bin/zrt-vivoraz-demo" "$work/list.sh" </dev/null >/dev/null
grep -q '^/dev/hidraw0  0x0051  Zr-T51  serial 04242  firmware 12$' "$work/list.out" \
    || { echo "installed zrt-vivoraz-cli list gave:"; cat "$work/list.out"; exit 1; }
echo "== installed zrt-vivoraz-cli lists the bed's reader"

exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 -u "$displayfd" display
(DISPLAY=":$display" QT_QPA_PLATFORM=xcb /usr/bin/zrt-vivoraz >/dev/null 2>&1 &
 echo $! >"$work/window.pid")
shown=no
for _ in $(seq 100); do
    if DISPLAY=":$display" xdotool search --name '^ZrT_VivoRaz 1\.9$' >/dev/null 2>&1; then
        shown=yes
        break
    fi
    sleep 0.1
done
[ -n "${ZRT_SCREENSHOT:-}" ] && DISPLAY=":$display" import -window root "$ZRT_SCREENSHOT"
window_class=""
window_icon=""
if [ "$shown" = yes ]; then
    window=$(DISPLAY=":$display" xdotool search --name '^ZrT_VivoRaz 1\.9$' | head -n1)
    window_class=$(DISPLAY=":$display" xprop -id "$window" WM_CLASS)
    window_icon=$(DISPLAY=":$display" xprop -id "$window" _NET_WM_ICON 2>/dev/null | head -c 200 || true)
fi
kill "$(cat "$work/window.pid")" 2>/dev/null || true
test "$shown" = yes || { echo "the installed window did not show"; exit 1; }
echo "== installed zrt-vivoraz shows its window"
# Docks group the window with its launcher by the class the desktop entry names.
entry=/usr/share/applications/org.zrtvivoraz.ZrtVivoraz.desktop
startup_class=$(sed -n 's/^StartupWMClass=//p' "$entry")
case "$window_class" in
    *", \"$startup_class\"") ;;
    *) echo "window class ($window_class) is not StartupWMClass=$startup_class of $entry"; exit 1 ;;
esac
case "$window_icon" in
    *"_NET_WM_ICON(CARDINAL) = "*) ;;
    *) echo "the window carries no icon: $window_icon"; exit 1 ;;
esac
echo "== its window class is the desktop entry's StartupWMClass, and it carries an icon"

DEBIAN_FRONTEND=noninteractive apt-get purge -y zrt-vivoraz zrt-vivoraz-cli >/dev/null
left=""
while read -r file; do
    case "$file" in /.|/usr|/usr/bin|/usr/lib|/usr/share|/usr/share/*/) continue ;; esac
    if [ -f "$file" ] || [ -L "$file" ]; then left+=" $file"; fi
done <"$work/files"
test -z "$left" || { echo "left behind after purge:$left"; exit 1; }
echo "== purge left no file behind"

# examples/ansible/linux.yml against this machine in the umockdev bed, with these packages; the
# test purges them again on its way out (and so does this script).
ZRT_ANSIBLE_DEBS="$(realpath "$build"/packages/zrt-vivoraz-cli_*.deb "$build"/packages/zrt-vivoraz_*.deb | tr '\n' ' ')" \
    "$build/bin/zrt_ansible_tests" >"$work/ansible.log" 2>&1 || { cat "$work/ansible.log"; exit 1; }
if grep -q '^\[  SKIPPED \]' "$work/ansible.log"; then
    echo "== the Ansible playbook's test was SKIPPED:"
    grep -A1 'Skipped$' "$work/ansible.log" | grep -v '^--$' || true
else
    echo "== the Ansible playbook configured the bed's readers"
fi
