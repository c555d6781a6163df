#!/usr/bin/env bash
# same_sound.sh NATIVE WASM_JS NODE MODULE SCRATCH: the player built natively and for
# wasm (run by node) render the same module with the same fade; their samples and the
# clock's last position must be identical.
set -euo pipefail
native=$1 wasm_js=$2 node=$3 module=$4 scratch=$5
if [ ! -f "$module" ]; then
    echo "SKIP: $module has not been generated (build the native data first)"
    exit 77
fi
rm -rf "$scratch"
mkdir -p "$scratch"
trap 'rm -rf "$scratch"' EXIT
"$native" "$module" "$scratch/native.raw" >/dev/null 2>"$scratch/native.err"
"$node" "$wasm_js" "$module" "$scratch/wasm.raw" >/dev/null 2>"$scratch/wasm.err"
native_sum=$(sha256sum <"$scratch/native.raw" | cut -d' ' -f1)
wasm_sum=$(sha256sum <"$scratch/wasm.raw" | cut -d' ' -f1)
echo "native: $native_sum $(cat "$scratch/native.err")"
echo "wasm:   $wasm_sum $(cat "$scratch/wasm.err")"
if [ ! -s "$scratch/native.raw" ]; then
    echo "FAIL: the native render is empty"
    exit 1
fi
# Silence would match silence: the music must actually be there.
if ! od -An -v -td2 -w2 "$scratch/native.raw" | awk '$1 > 1000 || $1 < -1000 { loud = 1 } END { exit !loud }'; then
    echo "FAIL: the native render is silent"
    exit 1
fi
# The fade reached silence: the last half second (30 pictures of 735 frames) is all zeros.
if [ -n "$(tail -c $((30 * 735 * 4)) "$scratch/native.raw" | tr -d '\0' | head -c 1)" ]; then
    echo "FAIL: the native render does not end in silence after its fade"
    exit 1
fi
if [ "$native_sum" != "$wasm_sum" ] || ! cmp -s "$scratch/native.err" "$scratch/wasm.err"; then
    cmp "$scratch/native.raw" "$scratch/wasm.raw" || true
    echo "FAIL: the wasm player renders other samples than the native one"
    exit 1
fi
echo "same samples, same position"
