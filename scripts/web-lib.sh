# What the web build and its tests share: emscripten's environment and libopenmpt built
# for wasm from Debian's source. Sourced after lib.sh, not run.

OPENMPT_WASM_CACHE=${OPENMPT_WASM_CACHE:-/var/cache/invitation-web}
# Debian's node modules: emcc's JavaScript passes need acorn from there, and a node
# that is not Debian's own does not look there by itself.
DEBIAN_NODE_MODULES=/usr/share/nodejs

# emcc with Debian's python and node modules, whatever else comes first on PATH.
web_env() {
    case ":${NODE_PATH:-}:" in
    *":$DEBIAN_NODE_MODULES:"*) ;;
    *) export NODE_PATH="$DEBIAN_NODE_MODULES${NODE_PATH:+:$NODE_PATH}" ;;
    esac
    export EMSDK_PYTHON=/usr/bin/python3
}

# The upstream part of a Debian version: 1:0.6.9-1 -> 0.6.9, 3.1.6~dfsg-5 -> 3.1.6.
upstream_version() {
    local v=${1#*:}
    v=${v%-*}
    echo "${v%%[~+]*}"
}

# The Debian version of libopenmpt that apt offers (binary and source go together).
openmpt_debian_version() {
    apt-cache show --no-all-versions libopenmpt-dev 2>/dev/null | sed -n 's/^Version: //p' | head -1
}

# The cache folder of libopenmpt for this libopenmpt and this emscripten.
openmpt_wasm_dir() {
    local openmpt emscripten
    openmpt=$(openmpt_debian_version)
    emscripten=$(dpkg-query -W -f='${Version}' emscripten 2>/dev/null || true)
    if [ -z "$openmpt" ]; then
        echo "apt offers no libopenmpt-dev: its lists are missing (run apt-get update)" >&2
        return 1
    fi
    if [ -z "$emscripten" ]; then
        echo "emscripten is not installed: run scripts/web-deps as root" >&2
        return 1
    fi
    echo "$OPENMPT_WASM_CACHE/libopenmpt-$(upstream_version "$openmpt")-emscripten-$(upstream_version "$emscripten")"
}

# Adds deb-src entries for this machine's own Debian archives (those of its release),
# read from its apt sources, unless apt already knows libopenmpt's source.
ensure_deb_src() {
    if apt-cache showsrc libopenmpt 2>/dev/null | grep -q '^Package: libopenmpt'; then return 0; fi
    local codename target=/etc/apt/sources.list.d/invitation-deb-src.sources
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || { echo "cannot tell this system's release from /etc/os-release" >&2; return 1; }
    echo "Adding deb-src entries for the $codename archives of this machine's apt sources" >&2
    if ! /usr/bin/python3 "$ROOT/scripts/deb_src_entries.py" /etc/apt "$codename" "$target" >"$target.tmp"; then
        rm -f "$target.tmp"
        return 1
    fi
    mv "$target.tmp" "$target"
    local log=/var/tmp/invitation-apt.log
    if ! apt-get update -q >"$log" 2>&1; then
        tail -n 15 "$log" >&2
        echo "apt-get update failed with the deb-src entries of $target; apt's output: $log" >&2
        return 1
    fi
    if ! apt-cache showsrc libopenmpt 2>/dev/null | grep -q '^Package: libopenmpt'; then
        echo "apt knows no source of libopenmpt even with $target" >&2
        return 1
    fi
}

# libopenmpt's library and headers for wasm, built from Debian's source with emscripten
# unless the cache already has them for these versions. Prints the folder.
ensure_openmpt_wasm() {
    local dir
    dir=$(openmpt_wasm_dir) || return 1
    if [ -f "$dir/lib/libopenmpt.a" ] && [ -f "$dir/include/libopenmpt/libopenmpt.h" ]; then
        echo "libopenmpt for wasm: $dir (cached)" >&2
        echo "$dir"
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "libopenmpt for wasm is not in $dir yet; building it needs root (apt sources, the cache): run scripts/web-deps as root" >&2
        return 1
    fi
    ensure_deb_src || return 1
    local version scratch started=$SECONDS
    version=$(openmpt_debian_version)
    scratch=$(mktemp -d /var/tmp/invitation-openmpt.XXXXXX)
    # The scratch folder and a half-made cache entry go on every way out.
    # shellcheck disable=SC2064
    trap "rm -rf '$scratch' '$dir.tmp'" EXIT
    trap 'exit 130' INT TERM
    local log=$scratch/build.log
    echo "Building libopenmpt $version for wasm: about 9 CPU-minutes, longer when the cores are busy (log: $log)" >&2
    echo "  fetching Debian's source of libopenmpt $version" >&2
    if ! (cd "$scratch" && apt-get source -q "libopenmpt=$version") >>"$log" 2>&1; then
        tail -n 15 "$log" >&2
        echo "apt-get source libopenmpt=$version failed" >&2
        return 1
    fi
    local src
    src=$(find "$scratch" -mindepth 1 -maxdepth 1 -type d -name 'libopenmpt-*' | head -1)
    echo "  configuring with emconfigure" >&2
    # Only the library: no player, no examples, no optional codec or output library
    # (emscripten would have to fetch its own ports of them, and none can be fetched here).
    if ! (cd "$src" && emconfigure ./configure --host=wasm32-unknown-none --prefix=/ \
        --disable-shared --enable-static \
        --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
        --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
        --without-portaudio --without-portaudiocpp --without-pulseaudio --without-sndfile --without-flac \
        CFLAGS="-O2" CXXFLAGS="-O2 -fexceptions" LDFLAGS="-fexceptions") >>"$log" 2>&1; then
        tail -n 25 "$log" >&2
        echo "configuring libopenmpt for wasm failed; the whole log: $log (kept)" >&2
        trap - EXIT
        return 1
    fi
    echo "  compiling with emmake make (progress every 10%)" >&2
    local total
    total=$(cd "$src" && make -n 2>/dev/null | grep -c -e '--mode=compile' || true)
    if ! (cd "$src" && emmake make -j"$(nproc)") 2>&1 | tee -a "$log" | compile_progress "${total:-0}"; then
        tail -n 25 "$log" >&2
        echo "compiling libopenmpt for wasm failed; the whole log: $log (kept)" >&2
        trap - EXIT
        return 1
    fi
    rm -rf "$dir.tmp"
    mkdir -p "$dir.tmp"
    if ! (cd "$src" && emmake make install DESTDIR="$dir.tmp") >>"$log" 2>&1; then
        tail -n 15 "$log" >&2
        echo "installing libopenmpt for wasm failed" >&2
        return 1
    fi
    rm -rf "$dir"
    mv "$dir.tmp" "$dir"
    echo "libopenmpt for wasm: $dir (built in $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s)" >&2
    echo "$dir"
}

# Reads make's output; prints a line each time another tenth of `total` compilations
# (libtool's compile commands) is done.
compile_progress() {
    awk -v total="$1" '
        /--mode=compile/ {
            done++
            if (total > 0 && int(done * 10 / total) > int((done - 1) * 10 / total) && done <= total)
                printf "  compiled %d of %d files\n", done, total > "/dev/stderr"
            fflush("/dev/stderr")
        }
        /error:/ { print > "/dev/stderr"; fflush("/dev/stderr") }
    '
}
