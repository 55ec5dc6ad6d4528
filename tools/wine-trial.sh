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
#   6. the installer, with /S, installs; the installed program starts from its shortcut
#      and lists itself, and a close request behind its Run dialog ends it; the
#      uninstaller, with /S, leaves nothing of it behind.
#   tools/wine-trial.sh WINE64 ZIP SETUP PROBES [SCREENSHOT]
# PROBES is the folder of the probes ui_font.exe and process_table.exe (tests/windows/helpers).
set -euo pipefail

wine=$1 zip=$2 setup=$3 probes=$4 screenshot=${5:-}
wineserver=$(dirname "$wine")/wineserver
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
program_pid=

finish() {
    local status=$?
    if [ "$status" != 0 ] && [ -s "$work/program.log" ]; then
        echo "What the program's processes wrote:" >&2
        tail -20 "$work/program.log" >&2
    fi
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

# The prefix's process table as the system gives it, "id name" a line.
windows_processes() { "$wine" "$probes/process_table.exe" | tr -d '\r' | sort; }
runs() { windows_processes | grep -qi " $1\$"; }
gone() { ! runs "$1"; }

# Without a window manager nothing raises a window or gives it the keyboard but a click:
# on the main window's bare surface beside the list, or in the list below its rows (Wine
# runs a dozen processes), so that the keyboard types into the list and no row is chosen.
click_main() {
    local window
    window=$(window_of "Korvanta Task List")
    [ -n "$window" ] || fail "no main window"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool windowraise "$window"
    xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1
}
# The command buttons, by their middles; a mnemonic right after the click that makes the
# window active can come before Qt knows it is.
click_list() { click_main 260 480; }
click_run_a_task() { click_main 56 120; }
click_kill_process() { click_main 160 120; }
click_exit() { click_main 472 120; }

# The list's empty part is drawn white once the window has handled its first events; keys
# sent before that are lost.
list_drawn() {
    local window
    window=$(window_of "Korvanta Task List")
    [ -n "$window" ] || return 1
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [ "$(import -window root -crop "1x1+$((X + 260))+$((Y + 480))" -depth 8 txt:- |
        grep -o '#[0-9A-F]\{6\}' | head -1)" = "#FFFFFF" ]
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
"$wineserver" -w
# A Windows machine keeps its interface fonts (Tahoma among them) in its Fonts folder;
# Debian's Wine does not load those of fonts-wine from where the package puts them.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

step "1. unpacking $(basename "$zip") into a new folder and starting the program"
mkdir "$work/unpacked"
unzip -q "$zip" -d "$work/unpacked"
program=$(find "$work/unpacked" -name KorvantaTaskList.exe)
(cd "$work" && exec "$wine" "$program" >>"$work/program.log" 2>&1) &
program_pid=$!

step "2. the main window"
wait_until 60 has_window "Korvanta Task List" || fail "the main window did not appear"
wait_until 30 list_drawn || fail "the main window's list was not drawn"
eval "$(xdotool getwindowgeometry --shell "$(window_of "Korvanta Task List")")"
read -r screen_width screen_height < <(xdpyinfo | awk '/dimensions:/ {split($2, s, "x"); print s[1], s[2]}')
[ "$WIDTH" = 529 ] && [ "$HEIGHT" = 518 ] || fail "the main window is $WIDTH x $HEIGHT, not 529 x 518"
centre_x=$(((screen_width - WIDTH) / 2)) centre_y=$(((screen_height - HEIGHT) / 2))
[ $((X - centre_x)) -ge -1 ] && [ $((X - centre_x)) -le 1 ] &&
    [ $((Y - centre_y)) -ge -1 ] && [ $((Y - centre_y)) -le 1 ] ||
    fail "the main window is at $X,$Y, not centred at $centre_x,$centre_y"
step "   529 x 518 at $X,$Y"
font=$("$wine" "$probes/ui_font.exe" | tr -d '\r') || fail "the system's text font: $font"
step "   $font"
wait_until 30 runs explorer.exe || fail "Wine's own processes are not running"
if [ -n "$screenshot" ]; then
    import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$screenshot"
fi

step "3. Run a task: notepad, then add or remove"
run_a_task() {
    click_run_a_task
    wait_until 20 has_window "Run a Task" || fail "the Run a task dialog did not open"
    keys_to "Run a Task" key --clearmodifiers ctrl+a
    keys_to "Run a Task" type --delay 20 "$1"
    keys_to "Run a Task" key --clearmodifiers alt+r
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
xdotool type --delay 50 notepad
click_kill_process
wait_until 20 gone notepad.exe || fail "Notepad still runs"
after=$(windows_processes | grep -vi ' \(control\|rundll32\)\.exe$')
[ "$before" = "$after" ] ||
    fail "more than Notepad ended: $(comm -23 <(echo "$before") <(echo "$after") | tr '\n' ' ')"

step "5. Exit"
click_exit
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
# Started from its Start-menu shortcut, as a user starts it.
start_installed() {
    "$wine" start /wait "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Korvanta Task List.lnk" \
        >>"$work/program.log" 2>&1 &
    program_pid=$!
    wait_until 60 has_window "Korvanta Task List" || fail "the installed program did not start"
    wait_until 30 list_drawn || fail "the installed program's list was not drawn"
}
ended_with_zero() {
    local status=0
    wait "$program_pid" || status=$?
    program_pid=
    [ "$status" = 0 ] || fail "$1: the program ended with exit code $status"
}
start_installed
# Its own row, found by typing, ends the program through its own end.
click_list
xdotool type --delay 50 korvantatasklist
click_kill_process
ended_with_zero "its own row ended"
# A close request (taskkill without /F asks each window to close) behind an open dialog.
start_installed
click_run_a_task
wait_until 20 has_window "Run a Task" || fail "the Run a task dialog did not open"
: >"$work/opened"
"$wine" taskkill /im KorvantaTaskList.exe >/dev/null 2>&1 || true
ended_with_zero "asked to close with Run a task open"
wait_until 20 test -s "$work/opened" || fail "the maker's page was not opened at the close request"
[ "$(cat "$work/opened")" = "https://www.korvanta.example/" ] || fail "the opener was given: $(cat "$work/opened")"
"$wine" "C:\\Program Files\\Korvanta Task List\\Uninstall.exe" /S
# The uninstaller runs on from a copy of itself, so that it can delete its own file.
wait_until 60 test ! -e "$installed" || fail "left behind: $(find "$installed" | head -5)"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut was left behind"
! "$wine" reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry was left behind"
echo "Tried under Wine: all six steps hold"
