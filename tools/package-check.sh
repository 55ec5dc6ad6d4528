#!/usr/bin/env bash
# Installs the Debian package as a user would, tries what it installed, then removes it and
# checks that nothing of it is left behind. Run it after tools/dev package, which builds
# the package and installs the tools used here; it needs root (or sudo).
#   tools/package-check.sh [PACKAGE.deb]    (default: the one in build-package/)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

apt_get() {
    as_root env DEBIAN_FRONTEND=noninteractive timeout 900 \
        apt-get -q -o DPkg::Lock::Timeout=300 "$@"
}

fail() {
    echo "package check FAILED: $*" >&2
    exit 1
}

deb=${1:-}
if [ -z "$deb" ]; then
    debs=("$root"/build-package/*.deb)
    if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
        fail "build-package/ holds no single .deb: run tools/dev package first"
    fi
    deb=${debs[0]}
fi
deb=$(realpath "$deb")
for tool in desktop-file-validate appstreamcli man Xvfb xwininfo xprop; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run tools/dev package first"
done
package=$(dpkg-deb --field "$deb" Package)

work=$(mktemp -d)
xvfb_pid="" program_pid="" installed=""
# A failed check takes the package away all the same, so later steps do not meet it.
cleanup() {
    [ -z "$program_pid" ] || kill -KILL "$program_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill -TERM "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    [ -z "$installed" ] || apt_get remove -y "$package" >/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

echo "== Installing $deb"
# Minimal Debian images keep manual pages out (a path-exclude in /etc/dpkg/dpkg.cfg.d/);
# the package's own page is let in, as on a desktop system. Recommended packages are
# left out, so that removing the package leaves the machine as it was.
installed=yes
apt_get install -y --no-install-recommends \
    -o "DPkg::Options::=--path-include=/usr/share/man/man1/KorvantaTaskList.1.gz" "$deb"
dpkg-query -L "$package" | grep -v '^/\.$' >"$work/files"

only_file() { # the one file of the package under a folder, by its ending
    local found
    found=$(grep -E "^$1/[^/]+$2\$" "$work/files") || fail "no $1/*$2 in the package"
    [ "$(wc -l <<<"$found")" -eq 1 ] || fail "more than one $1/*$2 in the package"
    echo "$found"
}
entry=$(only_file /usr/share/applications .desktop)
metainfo=$(only_file /usr/share/metainfo .metainfo.xml)
id=$(basename "$entry" .desktop)
for size in 16 32 48 64 128 256; do
    grep -qx "/usr/share/icons/hicolor/${size}x$size/apps/$id.png" "$work/files" ||
        fail "no $size px icon $id.png in the hicolor theme"
done

echo "== Validating $entry and $metainfo"
desktop-file-validate "$entry" || fail "desktop-file-validate: $entry"
verdict=$(timeout 60 appstreamcli validate --no-net "$metainfo") ||
    fail "appstreamcli validate: $verdict"
echo "$verdict"
! grep -qE '^[EW]:' <<<"$verdict" || fail "appstreamcli reports errors or warnings"

# What a software centre finds: the metadata pool knows the program, with its icon.
found=$(timeout 60 appstreamcli get "$id") || fail "appstreamcli get $id finds nothing"
grep -qx "Icon: $id" <<<"$found" || fail "the metadata pool gives no icon: $found"

echo "== Manual page"
page=$(timeout 60 man -w KorvantaTaskList) || fail "man -w KorvantaTaskList finds nothing"
echo "$page"
grep -qx "$page" "$work/files" || fail "man -w finds $page, not the package's page"

# The program as the desktop starts it: the entry's command, found along PATH.
command_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
program=$(command -v "$command_name") || fail "$command_name of the entry is not on PATH"
[ "$program" = "/usr/bin/$command_name" ] || fail "$command_name is $program, not the package's"
title=$(sed -n 's/^Name=//p' "$entry")
wm_class=$(sed -n 's/^StartupWMClass=//p' "$entry")

# Starts the program, waits up to 30 s until the command READY succeeds (given the
# program's pid), checks it is still running, then ends it by SIGTERM and checks that
# the signal is what ended it.
try_program() {
    local ready=$1 status=0 deadline=$((SECONDS + 30))
    (cd "$work" && exec "$program" </dev/null >"$work/program.log" 2>&1) &
    program_pid=$!
    until "$ready" "$program_pid"; do
        if ! kill -0 "$program_pid" 2>/dev/null; then
            wait "$program_pid" || status=$?
            program_pid=""
            cat "$work/program.log" >&2
            fail "the program ended by itself (status $status) before $ready"
        fi
        [ $SECONDS -lt $deadline ] || fail "no $ready within 30 s"
        sleep 0.1
    done
    kill -TERM "$program_pid"
    wait "$program_pid" || status=$?
    program_pid=""
    [ "$status" -eq $((128 + 15)) ] || fail "SIGTERM did not end the program (status $status)"
}

# Its main thread waits for events: the window is shown and the event loop runs.
waiting_for_events() {
    grep -q poll "/proc/$1/wchan" 2>/dev/null
}

# A top-level window with the entry's name as its title is mapped, and its class is the
# entry's StartupWMClass, so the desktop shows it with the entry's icon.
window_on_screen() {
    local window
    window=$(xwininfo -name "$title" 2>/dev/null) || return 1
    grep -q 'Map State: IsViewable' <<<"$window" || return 1
    xprop -id "$(sed -n 's/^xwininfo: Window id: \([0-9a-fx]*\) .*/\1/p' <<<"$window")" \
        WM_CLASS | grep -q "\"$wm_class\"\$"
}

echo "== Starting $program offscreen"
QT_QPA_PLATFORM=offscreen try_program waiting_for_events

echo "== Starting $program on a virtual X display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ ! -s "$work/display" ] || break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=:$(cat "$work/display") QT_QPA_PLATFORM=xcb try_program window_on_screen
kill -TERM "$xvfb_pid"
wait "$xvfb_pid" || true
xvfb_pid=""

echo "== Removing $package"
apt_get remove -y "$package"
installed=""
! dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q ' installed$' ||
    fail "$package is still installed"
! timeout 60 appstreamcli get "$id" >/dev/null 2>&1 || fail "the metadata pool still lists $id"
left=()
while read -r path; do
    [ -e "$path" ] || [ -L "$path" ] || continue
    # A folder that other packages share stays.
    if [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then
        continue
    fi
    left+=("$path")
done <"$work/files"
[ ${#left[@]} -eq 0 ] || fail "left behind: ${left[*]}"
echo "== $package installs, runs and removes cleanly"
