#!/usr/bin/env bash
# How long the browser version takes to build: libopenmpt for wasm from Debian's source as on
# a fresh machine (into a temporary cache folder, so the machine's own cache stays), the wasm
# program from clean with the cached library, and two incremental rebuilds. Wall and CPU time
# of each; the machine's other work shows in them, hence the load average beside.
#   bench/web/build_bench.sh [--no-openmpt]    (as root for the libopenmpt part)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
with_openmpt=1
case "${1:-}" in
--no-openmpt) with_openmpt=0 ;;
"") ;;
*) echo "usage: bench/web/build_bench.sh [--no-openmpt]" >&2; exit 2 ;;
esac

scratch=$(mktemp -d /var/tmp/invitation-build-bench.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM

# timed LABEL COMMAND...: runs it quietly (its output in the scratch folder) and prints
# wall time, CPU time (user + system, children included) and the load average before.
timed() {
    local label=$1 log
    shift
    log=$scratch/$(echo "$label" | tr -c 'a-zA-Z0-9\n' '-').log
    local load
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    if ! /usr/bin/time -f '%e %U %S' -o "$scratch/time" "$@" >"$log" 2>&1; then
        tail -n 20 "$log" >&2
        echo "$label failed" >&2
        exit 1
    fi
    read -r wall user sys <"$scratch/time"
    awk -v label="$label" -v wall="$wall" -v load="$load" -v user="$user" -v sys="$sys" \
        'BEGIN { printf "%-52s wall %7.1f s  CPU %7.1f s  (load average before: %s)\n", label, wall, user + sys, load }'
}

echo "Building the browser version on $(nproc) cores"
if [ "$with_openmpt" = 1 ]; then
    mkdir "$scratch/openmpt-cache"
    timed "libopenmpt for wasm from Debian's source (web-deps)" \
        env OPENMPT_WASM_CACHE="$scratch/openmpt-cache" "$ROOT/scripts/web-deps"
fi
openmpt=$("$ROOT/scripts/web-deps" --where)
[ -f "$openmpt/lib/libopenmpt.a" ] || { echo "no cached libopenmpt for wasm in $openmpt: run scripts/web-deps" >&2; exit 1; }

wasm=$scratch/web-wasm
timed "wasm program from clean: configure (emcmake)" \
    "$ROOT/scripts/web-env" emcmake cmake -S "$ROOT/web/wasm" -B "$wasm" -DOPENMPT_WASM_DIR="$openmpt" \
    -DCMAKE_BUILD_TYPE=Release
timed "wasm program from clean: build (-j$(nproc))" "$ROOT/scripts/web-env" cmake --build "$wasm" -j"$(nproc)"
# One file of the page's program, then one the two programs share; each rebuilt after a touch.
for source in web/live_main.cpp show/menu.cpp; do
    touch "$ROOT/$source"
    timed "incremental: $source touched" "$ROOT/scripts/web-env" cmake --build "$wasm" -j"$(nproc)"
done
