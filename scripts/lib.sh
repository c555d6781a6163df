# Shared by scripts/run and scripts/test. Sourced, not run.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the missing packages of a list (default: scripts/packages.txt).
ensure_packages() {
    local list=${1:-$ROOT/scripts/packages.txt} wanted missing=()
    wanted=$(grep -v -E '^\s*(#|$)' "$list")
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
    # apt's thousands of lines go to a log; the terminal gets a progress line every 10%.
    local log=/var/tmp/invitation-apt.log
    echo "(apt's whole output: $log)" >&2
    if ! apt-get update -q >"$log" 2>&1 ||
        ! apt-get install -y -q --no-install-recommends "${missing[@]}" 2>&1 | tee -a "$log" | apt_progress; then
        tail -n 25 "$log" >&2
        echo "Installing the packages failed; apt's whole output is in $log" >&2
        exit 1
    fi
    echo "Packages installed." >&2
}

# Reads apt-get install's output; prints how far downloading and setting up have got.
apt_progress() {
    awk '
        function report(what, done) {
            if (total && (done == total || int(done * 10 / total) > int((done - 1) * 10 / total)))
                printf "  %s %d of %d packages\n", what, done, total > "/dev/stderr"
        }
        / upgraded, .* newly installed/ { total = $1 + $3; print "  " $0 > "/dev/stderr" }
        /^Need to get/ { print "  " $0 > "/dev/stderr" }
        /^Get:[0-9]+ / { report("downloaded", ++got) }
        /^Setting up / { report("set up", ++set) }
        { fflush("/dev/stderr") }
    '
}

# build DIR BUILD_TYPE [cmake options...]
build() {
    local dir=$1 type=$2
    shift 2
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)"
}
