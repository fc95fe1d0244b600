#!/usr/bin/env bash
# Installs the built program into a scratch folder (DESTDIR: no root, nothing of the system
# touched) and checks what a desktop needs of it: every file in its place and nothing else,
# a valid desktop entry and AppStream file, icons of their stated sizes, a manual page that
# reads without warnings, and an installed executable that answers its options.
#   install_check.sh BUILD_DIR APP_ID VERSION
set -uo pipefail
build="$1"
app_id="$2"
version="$3"

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! DESTDIR="$stage" cmake --install "$build" --prefix /usr >"$stage.log" 2>&1; then
    cat "$stage.log"
    rm -f "$stage.log"
    echo "FAIL: cmake --install"
    exit 1
fi
rm -f "$stage.log"
prefix="$stage/usr"

# Every file that is installed, and nothing besides.
expected="$(printf '%s\n' \
    bin/vanzu \
    "share/applications/$app_id.desktop" \
    "share/icons/hicolor/128x128/apps/$app_id.png" \
    "share/icons/hicolor/256x256/apps/$app_id.png" \
    "share/icons/hicolor/48x48/apps/$app_id.png" \
    "share/icons/hicolor/scalable/apps/$app_id.svg" \
    share/doc/vanzu/examples/vanzu-check-watches.service \
    share/doc/vanzu/examples/vanzu-check-watches.timer \
    share/man/man1/vanzu.1.gz \
    "share/metainfo/$app_id.metainfo.xml" | LC_ALL=C sort)"
actual="$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)"
if [ "$actual" != "$expected" ]; then
    fail "installed files differ from the list:"
    diff <(echo "$expected") <(echo "$actual")
fi
[ -x "$prefix/bin/vanzu" ] || fail "bin/vanzu is not executable"
[ -z "$(find "$stage" -path "$prefix" -prune -o -type f -print)" ] || fail "files installed outside the prefix"

# The desktop entry and the AppStream file, alone and as an installed tree (the launchable
# names the desktop entry, the entry names the icon).
desktop="$prefix/share/applications/$app_id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"
appstreamcli validate-tree --no-net "$stage" || fail "appstreamcli validate-tree"
grep -qx "Name=Vanzu小精灵V2" "$desktop" || fail "the desktop entry's Name"
grep -qx "Categories=Network;WebBrowser;" "$desktop" || fail "the desktop entry's Categories"
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry's Icon"
exec_program="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
[ -x "$prefix/bin/$exec_program" ] || fail "the desktop entry runs '$exec_program', which is not installed"

# PNG icons: the width and height in the header are the size their folder says.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'; }
for size in 48 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    [ "$(png_size "$png")" = "${size}x${size}" ] || fail "$png is $(png_size "$png"), not ${size}x${size}"
done
grep -q "<svg" "$prefix/share/icons/hicolor/scalable/apps/$app_id.svg" || fail "the scalable icon is no SVG"

# The manual page reads without warnings.
if command -v man >/dev/null; then
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/vanzu.1.gz" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || fail "the manual page: $warnings"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$prefix/share/man/man1/vanzu.1.gz" 2>/dev/null | grep -q -- "--version" \
        || fail "the manual page does not describe --version"
else
    echo "man is not installed: the manual page is not read"
fi

# The installed executable: --version and --help need no display; an unknown option is refused
# once Qt has looked at the command line (it needs a window system for that: offscreen).
out="$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/vanzu" --version 2>&1)"
[ "$out" = "Vanzu小精灵V2 $version" ] || fail "vanzu --version printed '$out'"
out="$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/vanzu" --help 2>&1)"
{ grep -q -- "--version" <<<"$out" && grep -q -- "--help" <<<"$out"; } || fail "vanzu --help printed '$out'"
out="$(QT_QPA_PLATFORM=offscreen "$prefix/bin/vanzu" --bogus 2>&1)"
status=$?
{ [ "$status" -eq 2 ] && grep -q 'bogus' <<<"$out"; } \
    || fail "vanzu --bogus ended with $status and printed '$out'"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "PASS: installed into a scratch prefix; desktop entry, AppStream file, icons, manual page and options checked"
