# Shared by scripts/run and scripts/test. Sourced, not run.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the packages of scripts/packages.txt that are missing.
ensure_packages() {
    local wanted missing=()
    wanted=$(grep -v -E '^\s*(#|$)' "$ROOT/scripts/packages.txt")
    for p in $wanted; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages: ${missing[*]}" >&2
        echo "Install them with: sudo apt-get install ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing ${#missing[@]} Debian packages and what they depend on: ${missing[*]}" >&2
    echo "(this downloads a few hundred MB and takes minutes on a fresh system)" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    # apt's own lines show the progress: one per download, one per package unpacked and set up.
    apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# build DIR BUILD_TYPE [cmake options...]
build() {
    local dir=$1 type=$2
    shift 2
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)"
}
