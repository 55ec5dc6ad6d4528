#!/usr/bin/env bash
# What each speed-up is worth: the benchmark built from the working tree as it is, and once
# without each speed-up (bench/without/NAME.patch takes NAME out), run one after another in
# one go, as it is first and again last, with the same arguments. Prints each figure of
# every build side by side, and how far each build without a speed-up moved it from the
# mean of the two runs as it is.
#   tools/bench-without.sh [--only NAME,...] [BENCHMARK ARGUMENTS]   (tools/dev bench-without)
# Default arguments: --extra 1000 --extra 5000 --cold-runs 9. --only builds without the
# speed-ups named and no others. The builds go to build-without/ (KORVANTA_WITHOUT_DIR).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=${KORVANTA_WITHOUT_DIR:-$root/build-without}
only=
if [ "${1:-}" = --only ]; then
    only=,$2,
    shift 2
fi
args=("$@")
[ ${#args[@]} -gt 0 ] || args=(--extra 1000 --extra 5000 --cold-runs 9)

patches=()
for patch in $(find "$root/bench/without" -name '*.patch' | LC_ALL=C sort); do
    [ -z "$only" ] || [[ $only == *,$(basename "$patch" .patch),* ]] && patches+=("$patch")
done
src=$work/src
mkdir -p "$work/bin" "$work/out"
rm -rf "$src" "$work/out"/*
mkdir -p "$src"
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
    xargs -0 cp -p --parents -t "$src")

# One build folder for all of them: each patch changes a file or two, which alone rebuild.
build_as() {
    local name=$1 patch=${2:-}
    [ -z "$patch" ] || patch -s -d "$src" -p1 <"$patch"
    cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKORVANTA_BUILD_TESTS=OFF >/dev/null
    cmake --build "$work/build" --target korvanta_bench >/dev/null
    cp "$work/build/bench/korvanta_bench" "$work/bin/$name"
    [ -z "$patch" ] || patch -s -R -d "$src" -p1 <"$patch"
}

names=(as-is)
build_as as-is
for patch in "${patches[@]}"; do
    name=without-$(basename "$patch" .patch)
    echo "building $name"
    build_as "$name" "$patch"
    names+=("$name")
done

runs=(as-is "${names[@]:1}" as-is)
for k in "${!runs[@]}"; do
    echo "running ${runs[k]}"
    "$work/bin/${runs[k]}" "${args[@]}" >"$work/out/$k-${runs[k]}.txt" 2>/dev/null
done

# Figure lines read "NAME [sorted] [cold] N=n ratio=r" or "... cpu_share=s"; a size is
# known by its extra processes, to the nearest thousand.
cd "$work/out"
awk -v order="${runs[*]}" '
    FNR == 1 { split(FILENAME, part, "-"); run = substr(FILENAME, length(part[1]) + 2)
               sub(/\.txt$/, "", run); first = (part[1] == 0) }
    / N=/ && (/ ratio=/ || / cpu_share=/) {
        key = ""; value = ""
        for (f = 1; f <= NF; ++f) {
            if ($f ~ /^(ratio|cpu_share)=/) { split($f, kv, "="); value = kv[2] }
            else if ($f ~ /^N=/) { split($f, kv, "="); key = key " +" int((kv[2] + 500) / 1000) * 1000 }
            else if ($f !~ /=/) key = key (key == "" ? "" : " ") $f
        }
        if (!(key in seen)) { seen[key] = 1; keys[++nkeys] = key }
        if (run == "as-is") { base[key] += value; basen[key]++; shown[key, first ? "first" : "last"] = value }
        else shown[key, run] = value
    }
    END {
        n = split(order, names, " ")
        printf "%-36s %6s %6s", "figure", "first", "last"
        for (k = 2; k < n; ++k) printf " %28s", names[k]
        printf "\n"
        for (i = 1; i <= nkeys; ++i) {
            key = keys[i]; mean = base[key] / basen[key]
            printf "%-36s %6s %6s", key, shown[key, "first"], shown[key, "last"]
            for (k = 2; k < n; ++k) {
                v = shown[key, names[k]]
                printf " %20s (%+4.0f%%)", v, (mean > 0 ? (v / mean - 1) * 100 : 0)
            }
            printf "\n"
        }
    }' $(for k in "${!runs[@]}"; do echo "$k-${runs[k]}.txt"; done)
