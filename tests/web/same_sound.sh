#!/usr/bin/env bash
# same_sound.sh NATIVE WASM_JS NODE MODULE NOT_A_MODULE SCRATCH: the player built natively
# and for wasm (run by node) render the same module with the same fade: their samples and
# the clock's last position must be identical, for the module, the module cut short (which
# the player still loads) and a file that is no module (both refuse it alike).
set -euo pipefail
native=$1 wasm_js=$2 node=$3 module=$4 not_a_module=$5 scratch=$6
if [ ! -f "$module" ]; then
    echo "SKIP: $module has not been generated (build the native data first)"
    exit 77
fi
rm -rf "$scratch"
mkdir -p "$scratch"
trap 'rm -rf "$scratch"' EXIT
# The header, the patterns and half the file, the rest of the samples missing.
head -c $(($(stat -c %s "$module") / 2)) "$module" >"$scratch/cut.mod"

failures=0
fail() {
    echo "FAIL ($1): $2"
    failures=$((failures + 1))
}

# name, file, whether it plays
while read -r name file plays; do
    native_status=0 wasm_status=0
    "$native" "$file" "$scratch/$name.native" >/dev/null 2>"$scratch/$name.native-err" || native_status=$?
    "$node" "$wasm_js" "$file" "$scratch/$name.wasm" >/dev/null 2>"$scratch/$name.wasm-err" || wasm_status=$?
    echo "$name: native exit $native_status, $(cat "$scratch/$name.native-err")"
    echo "$name: wasm   exit $wasm_status, $(cat "$scratch/$name.wasm-err")"
    if [ "$plays" = no ]; then
        [ $native_status -eq 1 ] && [ $wasm_status -eq 1 ] || fail "$name" "both should refuse it with exit 1"
        continue
    fi
    if [ $native_status -ne 0 ] || [ $wasm_status -ne 0 ]; then
        fail "$name" "both should play it"
        continue
    fi
    native_sum=$(sha256sum <"$scratch/$name.native" | cut -d' ' -f1)
    wasm_sum=$(sha256sum <"$scratch/$name.wasm" | cut -d' ' -f1)
    echo "$name: native sha256 $native_sum"
    echo "$name: wasm   sha256 $wasm_sum"
    # Silence would match silence: the music must actually be there.
    od -An -v -td2 -w2 "$scratch/$name.native" | awk '$1 > 1000 || $1 < -1000 { loud = 1 } END { exit !loud }' ||
        fail "$name" "the native render is silent"
    # The fade reached silence: the last half second (30 pictures of 735 frames) is all zeros.
    [ -z "$(tail -c $((30 * 735 * 4)) "$scratch/$name.native" | tr -d '\0' | head -c 1)" ] ||
        fail "$name" "the native render does not end in silence after its fade"
    if [ "$native_sum" != "$wasm_sum" ] || ! cmp -s "$scratch/$name.native-err" "$scratch/$name.wasm-err"; then
        cmp "$scratch/$name.native" "$scratch/$name.wasm" || true
        fail "$name" "the wasm player renders other samples than the native one"
    fi
done <<EOF
module $module yes
cut $scratch/cut.mod yes
not-a-module $not_a_module no
EOF

if [ $failures -ne 0 ]; then
    echo "$failures of 3 cases failed"
    exit 1
fi
echo "3 cases: same samples, same position, the same refusal"
