#!/usr/bin/env bash
# Tries the packed Windows program as a user would, under Wine on the display it is given
# (tools/windows.sh runs it on Xvfb), in a new Wine prefix, and fails at the first step
# that does not hold:
#   1. the zip unpacked into a new folder, the program started from there;
#   2. its main window, 529 x 518, centred, in the system's sans-serif font, with its list;
#   3. "Run a task" starts Notepad, and opens "Add/Remove Programs" for "add or remove";
#   4. Notepad found in the list by typing its name and ended with "Kill process", and no
#      other process with it;
#   5. "Exit" hands the maker's page to the desktop's opener, once, and ends with code 0;
#   6. the installer, with /S, installs; the installed program starts and lists itself;
#      the uninstaller, with /S, leaves nothing of it behind.
#   tools/wine-trial.sh WINE64 ZIP SETUP UI_FONT_PROBE [SCREENSHOT]
set -euo pipefail

wine=$1 zip=$2 setup=$3 ui_font=$4 screenshot=${5:-}
wineserver=$(dirname "$wine")/wineserver
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
program_pid=

finish() {
    local status=$?
    [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
    "$wineserver" -k 2>/dev/null || true
    rm -rf "$work"
    exit $status
}
trap finish EXIT
trap 'exit 130' INT TERM HUP

step() { echo "  $*"; }
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# Waits up to SECONDS for a command to succeed.
wait_until() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}

# The Linux processes of this prefix's Windows programs, "pid name" a line.
windows_processes() {
    local pid
    for pid in $(pgrep -f '\.exe' || true); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
        echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | sed 's/.*\\//; s/ .*//')"
    done | sort
}
runs() { windows_processes | grep -qi " $1\$"; }
gone() { ! runs "$1"; }

# A click on the list's rows: the keyboard then types into the list.
click_list() {
    local window
    window=$(window_of "Korvanta Task List")
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove --sync $((X + 260)) $((Y + 200)) click 1
}

window_of() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
has_window() { [ -n "$(window_of "$1")" ]; }

# Keys to a window, through the X server's test extension, as a keyboard types them.
keys_to() {
    local window
    window=$(window_of "$1")
    [ -n "$window" ] || fail "no window \"$1\" to type into"
    shift
    xdotool windowfocus --sync "$window"
    xdotool "$@"
}

# The desktop's opener, as Wine's browser hands a web address on to it.
mkdir -p "$work/bin"
cat >"$work/bin/xdg-open" <<EOF
#!/bin/sh
echo "\$*" >>"$work/opened"
EOF
chmod +x "$work/bin/xdg-open"
export PATH=$work/bin:$PATH

"$wine" wineboot --init >/dev/null 2>&1
wait_until 120 "$wineserver" -w 2>/dev/null || true

step "1. unpacking $(basename "$zip") into a new folder and starting the program"
mkdir "$work/unpacked"
unzip -q "$zip" -d "$work/unpacked"
program=$(find "$work/unpacked" -name KorvantaTaskList.exe)
(cd "$work" && exec "$wine" "$program") &
program_pid=$!

step "2. the main window"
wait_until 60 has_window "Korvanta Task List" || fail "the main window did not appear"
eval "$(xdotool getwindowgeometry --shell "$(window_of "Korvanta Task List")")"
read -r screen_width screen_height < <(xdpyinfo | awk '/dimensions:/ {split($2, s, "x"); print s[1], s[2]}')
[ "$WIDTH" = 529 ] && [ "$HEIGHT" = 518 ] || fail "the main window is $WIDTH x $HEIGHT, not 529 x 518"
centre_x=$(((screen_width - WIDTH) / 2)) centre_y=$(((screen_height - HEIGHT) / 2))
[ $((X - centre_x)) -ge -1 ] && [ $((X - centre_x)) -le 1 ] &&
    [ $((Y - centre_y)) -ge -1 ] && [ $((Y - centre_y)) -le 1 ] ||
    fail "the main window is at $X,$Y, not centred at $centre_x,$centre_y"
step "   529 x 518 at $X,$Y"
font=$("$wine" "$ui_font" | tr -d '\r') || fail "the system's text font: $font"
step "   $font"
wait_until 30 runs explorer.exe || fail "Wine's own processes are not running"
if [ -n "$screenshot" ]; then
    import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$screenshot"
fi

step "3. Run a task: notepad, then add or remove"
run_a_task() {
    keys_to "Korvanta Task List" key --clearmodifiers alt+r
    wait_until 20 has_window "Run a Task" || fail "the Run a task dialog did not open"
    keys_to "Run a Task" key --clearmodifiers ctrl+a
    keys_to "Run a Task" type --delay 20 "$1"
    keys_to "Run a Task" key Return
    wait_until 20 eval '! has_window "Run a Task"' || fail "the Run a task dialog stayed open"
}
run_a_task notepad
wait_until 30 runs notepad.exe || fail "Notepad did not start"
wait_until 30 has_window "Untitled - Notepad" || fail "Notepad shows no window"
run_a_task "add or remove"
wait_until 30 has_window "Add/Remove Programs" || fail "Add/Remove Programs did not open"
xdotool windowclose "$(window_of "Add/Remove Programs")" 2>/dev/null || true

step "4. Notepad found in the list and ended with Kill process"
before=$(windows_processes | grep -vi ' \(notepad\|control\|rundll32\)\.exe$')
# The list refreshes after each start: the Notepad row is there without a refresh by hand.
click_list
keys_to "Korvanta Task List" type --delay 50 notepad
keys_to "Korvanta Task List" key --clearmodifiers alt+k
wait_until 20 gone notepad.exe || fail "Notepad still runs"
after=$(windows_processes | grep -vi ' \(control\|rundll32\)\.exe$')
[ "$before" = "$after" ] ||
    fail "more than Notepad ended: $(comm -23 <(echo "$before") <(echo "$after") | tr '\n' ' ')"

step "5. Exit"
keys_to "Korvanta Task List" key --clearmodifiers alt+x
status=0
wait "$program_pid" || status=$?
program_pid=
[ "$status" = 0 ] || fail "the program ended with exit code $status"
wait_until 20 test -s "$work/opened" || fail "the maker's page was not opened"
opened=$(cat "$work/opened")
[ "$opened" = "https://www.korvanta.example/" ] || fail "the opener was given: $opened"

step "6. the installer and the uninstaller, with /S"
"$wine" "$setup" /S
installed="$WINEPREFIX/drive_c/Program Files/Korvanta Task List"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Korvanta Task List.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KorvantaTaskList'
[ -f "$installed/KorvantaTaskList.exe" ] || fail "nothing installed in $installed"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
entry=$("$wine" reg query "$key" 2>/dev/null | tr -d '\r')
for value in "DisplayName.*Korvanta Task List" "DisplayVersion.*1\.0\.0" \
    "Publisher.*Korvanta Corporation" 'DisplayIcon.*KorvantaTaskList\.exe,0' \
    'UninstallString.*Uninstall\.exe'; do
    grep -q "$value" <<<"$entry" || fail "the uninstall entry lacks $value"
done
"$wine" "C:\\Program Files\\Korvanta Task List\\KorvantaTaskList.exe" &
program_pid=$!
wait_until 60 has_window "Korvanta Task List" || fail "the installed program did not start"
# Its own row, found by typing, ends the program through its own end.
click_list
keys_to "Korvanta Task List" type --delay 50 korvantatasklist
keys_to "Korvanta Task List" key --clearmodifiers alt+k
status=0
wait "$program_pid" || status=$?
program_pid=
[ "$status" = 0 ] || fail "the installed program, ending its own row, ended with code $status"
"$wine" "C:\\Program Files\\Korvanta Task List\\Uninstall.exe" /S
# The uninstaller runs on from a copy of itself, so that it can delete its own file.
wait_until 60 test ! -e "$installed" || fail "left behind: $(find "$installed" | head -5)"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut was left behind"
! "$wine" reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry was left behind"
echo "Tried under Wine: all six steps hold"
