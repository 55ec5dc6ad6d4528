#!/usr/bin/env bash
# The soak run: the real main window offscreen with auto refresh every 10 ms for SECONDS
# (default 120) while about 200 short-lived processes a second start and end around it.
#   tools/soak.sh BUILD_DIR [SECONDS]
# Prints the refreshes done, resident memory at the start, the 20th second and the end,
# and every error. Fails on an error, on 2 MiB or more of growth after the 20th second,
# or when a churned process is left behind.
set -euo pipefail

build_dir=${1:?usage: tools/soak.sh BUILD_DIR [SECONDS]}
seconds=${2:-120}
churn=$build_dir/tests/soak/korvanta_churn
soak=$build_dir/tests/soak/korvanta_soak

"$churn" 200 &
churn_pid=$!
stop_churn() {
    if kill -0 "$churn_pid" 2>/dev/null; then
        kill -TERM "$churn_pid"
        wait "$churn_pid" || churn_status=$?
    fi
}
churn_status=0
trap stop_churn EXIT

soak_status=0
QT_QPA_PLATFORM=offscreen "$soak" "$seconds" || soak_status=$?
stop_churn
trap - EXIT

# Nothing that the churn started may outlive it.
left=0
for exe in /proc/[0-9]*/exe; do
    if [ "$(readlink "$exe" 2>/dev/null)" = "$(readlink -f "$churn")" ]; then
        left=$((left + 1))
    fi
done
echo "processes left behind: $left"
[ "$soak_status" -eq 0 ] && [ "$churn_status" -eq 0 ] && [ "$left" -eq 0 ]
