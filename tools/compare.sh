#!/usr/bin/env bash
# The task list side by side with two peers, each refreshing once a second over the same
# 1000 extra idle processes: this program and lxtask on a virtual display (Xvfb), htop in
# tmux (`htop -d 10`). Each one is started, left to warm up, and then its CPU time (user
# and system, from /proc/PID/stat) is taken over SECONDS; this program runs first and
# again last, and the higher of its two figures counts.
#   tools/compare.sh BUILD_DIR [SECONDS]      (SECONDS: default 30)
# Environment: KORVANTA_COMPARE_WARMUP (seconds, default 10), KORVANTA_COMPARE_SHOTS (a
# folder: a picture of each display and the text of htop's screen go there).
#
# This program reads no command line and no settings, so its refresh is set as a user sets
# it, by keyboard through xdotool: Alt+S starts the auto refresh, Alt+O opens the options,
# Tab moves to the rate box, 1000 is typed, Alt+A applies. lxtask reads its refresh period
# in whole seconds from refresh_interval in ~/.config/lxtask.conf, written here into a
# scratch home with every process shown (its own user's, root's and others'). htop takes
# tenths of a second: -d 10.
#
# Prints one line per run, then peer/lxtask and peer/htop (our CPU per second over
# theirs) and each program's resident memory. reads_per_process_s, the read calls of the
# run per process and second, shows the cadence: this program reads one file per process
# and refresh. server_ms_per_s is the display's or tmux's CPU meanwhile, not counted.
# Everything started here is ended on the way out, Ctrl+C included.
set -euo pipefail

build_dir=${1:?usage: tools/compare.sh BUILD_DIR [SECONDS]}
seconds=${2:-30}
warmup=${KORVANTA_COMPARE_WARMUP:-10}
shots=${KORVANTA_COMPARE_SHOTS:-}
extra=1000
program=$(readlink -f "$build_dir/KorvantaTaskList")
holder=$build_dir/bench/korvanta_hold_idle
idle_child=$(readlink -f "$build_dir/bench/idle_child")
clock_ticks=$(getconf CLK_TCK)

scratch=$(mktemp -d /tmp/korvanta-compare-XXXXXX)
tmux_socket=korvanta-compare-$$
holder_pid=""
xvfb_pid=""
running=() # process groups of the programs under test
tmux_server="" # with the htop in its pane and the socket it listens on
tmux_pane=""
tmux_socket_path=""
napper="" # the sleep being waited for, so that a signal ends the wait at once

end_group() {
    local group=$1 tries
    kill -TERM -- "-$group" 2>/dev/null || return 0
    for tries in 1 2 3 4 5 6 7 8 9 10; do
        kill -0 -- "-$group" 2>/dev/null || break
        sleep 0.2
    done
    kill -KILL -- "-$group" 2>/dev/null || true
    wait "$group" 2>/dev/null || true
}

cleanup() {
    set +e
    local group
    [ -n "$napper" ] && kill "$napper" 2>/dev/null && wait "$napper" 2>/dev/null
    for group in "${running[@]}"; do
        end_group "$group"
    done
    running=()
    end_tmux
    if [ -n "$xvfb_pid" ]; then
        kill -TERM "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    if [ -n "$holder_pid" ]; then
        kill -TERM "$holder_pid" 2>/dev/null
        wait "$holder_pid" 2>/dev/null
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP PIPE

fail() {
    echo "compare: $*" >&2
    exit 1
}

nap() {
    sleep "$1" &
    napper=$!
    wait "$napper"
    napper=""
}

load_average() {
    local one five fifteen rest
    read -r one five fifteen rest </proc/loadavg
    echo "$one,$five,$fifteen"
}

process_count() {
    local entries=(/proc/[0-9]*)
    echo "${#entries[@]}"
}

# User plus system time of a process, in clock ticks; the name may hold anything up to
# the last ')'.
cpu_ticks() {
    local stat fields
    stat=$(<"/proc/$1/stat") || return 1
    read -ra fields <<<"${stat##*) }"
    echo $((fields[11] + fields[12]))
}

read_calls() {
    local key value
    while read -r key value; do
        [ "$key" = "syscr:" ] && echo "$value" && return 0
    done <"/proc/$1/io"
    return 1
}

# A clean environment for the programs under test, with a home of their own.
home=$scratch/home
mkdir -p "$home/.config" "$scratch/runtime"
chmod 700 "$scratch/runtime"
program_env=(env -i "PATH=$PATH" "HOME=$home" "XDG_RUNTIME_DIR=$scratch/runtime"
             "LANG=C.UTF-8" "NO_AT_BRIDGE=1")

# Starts a program in a session of its own; its process id names its group.
launch() {
    setsid "${program_env[@]}" "DISPLAY=$DISPLAY" "$@" >>"$scratch/programs.log" 2>&1 &
    launched=$!
    running+=("$launched")
}

# Sends a signal to a process that is not ours to wait for, then kills it if it stays.
end_process() {
    local tries
    kill -TERM "$1" 2>/dev/null || return 0
    for tries in 1 2 3 4 5 6 7 8 9 10; do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.2
    done
    kill -KILL "$1" 2>/dev/null || true
}

end_tmux() {
    [ -n "$tmux_server" ] || return 0
    [ -n "$tmux_pane" ] && end_process "$tmux_pane"
    tmux -L "$tmux_socket" kill-server 2>/dev/null || true
    end_process "$tmux_server"
    rm -f "$tmux_socket_path"
    tmux_server=""
    tmux_pane=""
}

# Ends one program started by launch and takes it off the list.
finish() {
    local group kept=()
    end_group "$1"
    for group in "${running[@]}"; do
        [ "$group" = "$1" ] || kept+=("$group")
    done
    running=("${kept[@]}")
}

wait_for_window() {
    { timeout 30 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null || true; } | head -n 1
}

shoot() {
    [ -n "$shots" ] || return 0
    mkdir -p "$shots"
    if [ "$1" = htop ]; then
        tmux -L "$tmux_socket" capture-pane -p -t peers >"$shots/htop.txt"
    else
        import -window root "$shots/$1.png"
    fi
}

results=()

# Waits out the warm-up, then takes the CPU time, read calls and wall time of pid (and the
# CPU time of the server beside it) over the run, and its resident memory at the end.
measure() {
    local name=$1 pid=$2 server=$3
    nap "$warmup"
    local n ticks0 reads0 server0 wall0 ticks1 reads1 server1 wall1 rss
    n=$(process_count)
    ticks0=$(cpu_ticks "$pid") && reads0=$(read_calls "$pid") || fail "$name ended early"
    server0=$(cpu_ticks "$server")
    wall0=$EPOCHREALTIME
    nap "$seconds"
    ticks1=$(cpu_ticks "$pid") && reads1=$(read_calls "$pid") || fail "$name ended early"
    server1=$(cpu_ticks "$server")
    wall1=$EPOCHREALTIME
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
    shoot "$name"
    local line
    line=$(awk -v name="$name" -v n="$n" -v t="$((ticks1 - ticks0))" -v hz="$clock_ticks" \
        -v r="$((reads1 - reads0))" -v s="$((server1 - server0))" -v w0="$wall0" \
        -v w1="$wall1" -v rss="$rss" 'BEGIN {
            wall = w1 - w0
            printf "%s N=%d cpu_ms_per_s=%.2f vmrss_kib=%d reads_per_process_s=%.2f server_ms_per_s=%.2f",
                name, n, t / hz * 1000 / wall, rss, r / n / wall, s / hz * 1000 / wall
        }')
    echo "$line"
    results+=("$line")
}

field() { # field NAME LINE
    local word
    for word in $2; do
        [ "${word%%=*}" = "$1" ] && echo "${word#*=}" && return 0
    done
    return 1
}

run_korvanta() {
    local name=$1 main options tries
    launch "$program"
    local pid=$launched
    main=$(wait_for_window '^Korvanta Task List$')
    [ -n "$main" ] || fail "the main window did not show"
    xdotool windowfocus --sync "$main"
    xdotool key alt+s alt+o
    options=$(wait_for_window '^Options$')
    [ -n "$options" ] || fail "the options dialog did not open"
    xdotool windowfocus --sync "$options"
    xdotool key Tab
    xdotool type 1000
    xdotool key alt+a
    for tries in $(seq 50); do
        xdotool search --onlyvisible --name '^Options$' >/dev/null 2>&1 || break
        sleep 0.2
    done
    measure "$name" "$pid" "$xvfb_pid"
    local cadence
    cadence=$(field reads_per_process_s "${results[-1]}")
    awk -v c="$cadence" 'BEGIN { exit !(c >= 0.7 && c <= 1.3) }' ||
        fail "$name read each process $cadence times a second, not once: the refresh was not set"
    finish "$pid"
}

run_lxtask() {
    cat >"$home/.config/lxtask.conf" <<EOF
[General]
show_user_tasks=1
show_root_tasks=1
show_other_tasks=1
refresh_interval=1
EOF
    launch lxtask
    local pid=$launched
    [ -n "$(wait_for_window '^Task Manager$')" ] || fail "lxtask's window did not show"
    measure lxtask "$pid" "$xvfb_pid"
    finish "$pid"
}

run_htop() {
    tmux -L "$tmux_socket" -f /dev/null new-session -d -s peers -x 200 -y 50 \
        "exec env -i PATH=$PATH HOME=$home TERM=screen LANG=C.UTF-8 htop -d 10"
    tmux_server=$(tmux -L "$tmux_socket" display-message -p -t peers '#{pid}')
    tmux_socket_path=$(tmux -L "$tmux_socket" display-message -p -t peers '#{socket_path}')
    local pid tries
    pid=$(tmux -L "$tmux_socket" list-panes -t peers -F '#{pane_pid}')
    tmux_pane=$pid
    # The pane's shell becomes htop once it has run exec.
    for tries in $(seq 50); do
        [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = htop ] && break
        sleep 0.1
    done
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = htop ] || fail "htop did not start in tmux"
    measure htop "$pid" "$tmux_server"
    end_tmux
}

[ -x "$program" ] && [ -x "$holder" ] || fail "build first: $program, $holder"
command -v lxtask >/dev/null && command -v htop >/dev/null || fail "lxtask and htop are needed"
load_before=$(load_average)

"$holder" "$extra" >"$scratch/holder.out" &
holder_pid=$!
for tries in $(seq 600); do
    grep -q '^ready' "$scratch/holder.out" 2>/dev/null && break
    kill -0 "$holder_pid" 2>/dev/null || fail "the idle processes did not start"
    sleep 0.1
done
grep -q '^ready' "$scratch/holder.out" || fail "the idle processes did not start"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" \
    >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
for tries in $(seq 100); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
done
[ -s "$scratch/display" ] || fail "Xvfb did not start"
display=:$(<"$scratch/display")
export DISPLAY=$display # for xdotool and import

echo "compare extra=$extra seconds=$seconds warmup=$warmup refresh=1s" \
    "load_before=$load_before" >&2
run_korvanta korvanta-first
run_lxtask
run_htop
run_korvanta korvanta-last

ours=$(for line in "${results[@]}"; do
    case $line in korvanta-*) field cpu_ms_per_s "$line" ;; esac
done | sort -g | tail -n 1)
our_rss=$(for line in "${results[@]}"; do
    case $line in korvanta-*) field vmrss_kib "$line" ;; esac
done | sort -g | tail -n 1)
for line in "${results[@]}"; do
    case $line in
    lxtask*) lxtask_cpu=$(field cpu_ms_per_s "$line") lxtask_rss=$(field vmrss_kib "$line") ;;
    htop*) htop_cpu=$(field cpu_ms_per_s "$line") htop_rss=$(field vmrss_kib "$line") ;;
    esac
done
awk -v o="$ours" -v l="$lxtask_cpu" -v h="$htop_cpu" 'BEGIN {
    printf "peer/lxtask ratio=%.2f\n", (l > 0 ? o / l : 0)
    printf "peer/htop ratio=%.2f\n", (h > 0 ? o / h : 0)
}'
echo "vmrss/korvanta kib=$our_rss"
echo "vmrss/lxtask kib=$lxtask_rss"
echo "vmrss/htop kib=$htop_rss"
echo "load before=$load_before after=$(load_average)"

cleanup
trap - EXIT
# Nothing started here may outlive the run.
left=0
for exe in /proc/[0-9]*/exe; do
    [ "$(readlink "$exe" 2>/dev/null)" = "$idle_child" ] && left=$((left + 1))
done
[ "$left" -eq 0 ] || fail "$left idle processes left behind"
