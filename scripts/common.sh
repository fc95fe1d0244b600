# Shared by the scripts: Debian packages, the build, and the display.
# shellcheck shell=bash

VANZU_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VANZU_BUILD="${VANZU_BUILD:-$VANZU_ROOT/build}"

# Installs the named Debian packages that are missing (apt-get; through sudo when not root).
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

BUILD_PACKAGES=(qt6-base-dev qt6-webengine-dev libgl-dev cmake g++ make)
# libqt6sql6-sqlite: Qt's SQLite driver, loaded at run time for the price history.
RUN_PACKAGES=(xvfb xauth x11-utils fonts-noto-cjk qt6-translations-l10n libqt6sql6-sqlite)
# The install check validates the desktop entry and the AppStream file.
TEST_PACKAGES=(desktop-file-utils appstream)

# Configures once, then builds incrementally.
build() {
    if [ ! -f "$VANZU_BUILD/CMakeCache.txt" ]; then
        local launcher=()
        # ccache, where it is installed, spares rebuilding what another checkout already built.
        command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
        cmake -S "$VANZU_ROOT" -B "$VANZU_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
    fi
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$VANZU_ROOT")}"
    cmake --build "$VANZU_BUILD" --parallel "$(nproc)" "$@"
}

# The checked builds (scripts/sanitize, scripts/fuzz): clang with the sanitizers, configured once
# in their own build folder with the given CMake options.
CHECKED_PACKAGES=(clang libclang-rt-14-dev)
configure_checked_build() {
    if [ ! -f "$VANZU_BUILD/CMakeCache.txt" ]; then
        cmake -S "$VANZU_ROOT" -B "$VANZU_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_CXX_COMPILER=clang++ "$@"
    else
        cmake "$VANZU_BUILD" >/dev/null # targets added since are known before they are asked for
    fi
}

# The web engine's sandbox cannot run as root; only then is it switched off, and we say so.
sandbox_for_root() {
    if [ "$(id -u)" -eq 0 ]; then
        export QTWEBENGINE_DISABLE_SANDBOX=1
        echo "Running as root: QTWEBENGINE_DISABLE_SANDBOX=1 is set for the web engine."
    fi
}

# Runs a command as it is, or on a virtual display (Xvfb) when there is none.
on_display() {
    if [ -z "${DISPLAY:-}" ]; then
        echo "No display: running on a virtual one (Xvfb)."
        xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
    else
        "$@"
    fi
}
