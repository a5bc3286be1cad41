# Shared by scripts/run, scripts/test and friends: install what is missing,
# configure and build. Sourced from the repository root.

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${KELVORA_BUILD:-$REPO/build}

# Build and run (GTK and the desktop's icon theme draw the message boxes;
# libwayland's client asks a Wayland compositor for a seat).
PACKAGES_RUN="build-essential cmake pkg-config libsdl2-dev libsdl2-mixer-dev libgl-dev
  libglu1-mesa-dev libgl1-mesa-dri libx11-dev libxrandr-dev libgtk-3-dev libwayland-dev
  adwaita-icon-theme"
# Tests: GoogleTest, an offscreen OpenGL, the reader's reference decoder, X
# servers (with the core fonts for clients that ask for them) and the tools
# that drive them, a window manager for the windowed show, sound measurement,
# xscreensaver for the screensaver module, desktops (Xfce's window manager and
# panel; openbox with tint2's panel; GNOME's compositor with Xwayland, its
# screen cast read through PipeWire and GStreamer; the Wayland compositors
# sway, KWin and weston, with grim and wtype, a wallpaper and a dock).
PACKAGES_TEST="googletest libgtest-dev libosmesa6-dev libstb-dev xserver-xorg-core
  xserver-xorg-video-dummy xvfb xfonts-base xdotool x11-utils x11-xserver-utils openbox imagemagick sox
  libsox-fmt-mp3 lame clang-14 libclang-rt-14-dev xscreensaver xscreensaver-gl
  xfwm4 xfce4-panel xfconf dbus-x11 tint2 mutter xwayland pipewire wireplumber gstreamer1.0-pipewire
  gstreamer1.0-tools python3-gi sway grim wtype kwin-wayland swaybg gir1.2-gtklayershell-0.1 weston"
# What start_x needs: Xorg with the dummy driver, Xvfb, and xwininfo.
PACKAGES_X="xserver-xorg-core xserver-xorg-video-dummy xvfb x11-utils"
# The Windows build: cross-compiler and ImageMagick for the program's icon;
# its tests: GoogleTest's source to build it for the target, the reference
# TGA reader's header, and Wine to run them.
PACKAGES_WINDOWS="cmake mingw-w64 imagemagick"
PACKAGES_WINDOWS_TEST="googletest libstb-dev wine wine64"
WINDOWS_BUILD=${KELVORA_WINDOWS_BUILD:-$REPO/build-windows}

# The web build: Debian's Emscripten (which brings node) and lame (the track
# at a phone's bit rate); its browser tests run in Debian's Chromium, driven
# by npm's puppeteer-core (tests/web), and read the phrase images with
# ImageMagick.
PACKAGES_WEB="cmake emscripten lame"
PACKAGES_WEB_TEST="chromium imagemagick"
# The CMake tree of the web build, and the static site it makes.
WEB_CMAKE_BUILD=${KELVORA_WEB_CMAKE_BUILD:-$REPO/build-emscripten}
WEB_SITE=${KELVORA_WEB_SITE:-$REPO/build-web}

# The Debian package: dpkg-shlibdeps (dpkg-dev) finds its dependencies,
# lintian checks it.
PACKAGES_PACKAGE="dpkg-dev lintian"

# The build folders configure the tests only when a script asks for them
# (TESTING=ON after sourcing this): building the show needs no test package.
TESTING=OFF

# Runs "$@" as root: directly, or through sudo.
as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the Debian packages named in $@ that are not installed yet; for an
# ordinary user without sudo (or whom sudo refuses), says what to run as root
# instead.
install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} = 0 ] && return 0
    if [ "$(id -u)" = 0 ] || command -v sudo >/dev/null; then
        echo "Installing: ${missing[*]}"
        apt_get update -qq && apt_get install -y -qq "${missing[@]}" >/dev/null && return 0
        [ "$(id -u)" = 0 ] && return 1
    fi
    echo "Missing packages, which this user cannot install (no sudo, or sudo refused). As root, run:" >&2
    echo "    apt-get update && apt-get install -y ${missing[*]}" >&2
    echo "then run this again." >&2
    return 1
}

# apt-get as root, waiting a while for another package manager (a desktop's
# unattended upgrades) to let go of its locks rather than failing at once.
APT_LOCK_WAIT=600
APT_LOCKS="/var/lib/dpkg/lock-frontend /var/lib/apt/lists/lock"
apt_get() {
    wait_for_apt_locks || return 1
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=$APT_LOCK_WAIT "$@"
}
# apt-get's own timeout covers dpkg's lock but not the package lists' lock,
# which `apt-get update` fails on at once: both are waited for here.
wait_for_apt_locks() {
    local lock inode said deadline=$((SECONDS + APT_LOCK_WAIT))
    for lock in $APT_LOCKS; do
        said=
        while inode=$(stat -c %i "$lock" 2>/dev/null) && grep -q ":$inode " /proc/locks; do
            if [ -z "$said" ]; then
                echo "Waiting up to $((APT_LOCK_WAIT / 60)) minutes for the package manager that holds $lock"
                said=1
            fi
            ((SECONDS < deadline)) || { echo "$lock is still held: giving up" >&2; return 1; }
            sleep 1
        done
    done
}

# Configures the build folder $1 (cmake arguments follow) when it is new, or
# when the tests are wanted and it has none.
configure() {
    local dir=$1
    shift
    if [ -f "$dir/CMakeCache.txt" ]; then
        [ "$TESTING" = OFF ] || grep -qx 'BUILD_TESTING:BOOL=ON' "$dir/CMakeCache.txt" && return 0
    fi
    cmake -S "$REPO" -B "$dir" "$@" -DBUILD_TESTING=$TESTING >/dev/null
}

# Configures and builds BUILD_TARGETS (all when empty); extra arguments go to
# the configure step.
BUILD_TARGETS=
build() {
    configure "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" || return 1
    cmake --build "$BUILD" -j"$(nproc)" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
}

# Cross-builds the Windows targets named in $@ into $WINDOWS_BUILD with
# MinGW-w64.
build_windows() {
    configure "$WINDOWS_BUILD" --toolchain "$REPO/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVORA_WERROR=ON || return 1
    cmake --build "$WINDOWS_BUILD" -j"$(nproc)" --target "$@"
}

# Builds the web site into $WEB_SITE (configured once). Debian's emcc runs
# its own tools on node, which finds Debian's JavaScript modules only here.
build_web() {
    export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
    if [ ! -f "$WEB_CMAKE_BUILD/CMakeCache.txt" ]; then
        emcmake cmake -S "$REPO" -B "$WEB_CMAKE_BUILD" -DCMAKE_BUILD_TYPE=Release \
            -DKELVORA_WERROR=ON >/dev/null || return 1
    fi
    cmake --build "$WEB_CMAKE_BUILD" -j"$(nproc)" || return 1
    rm -rf "$WEB_SITE" && cp -r "$WEB_CMAKE_BUILD/site" "$WEB_SITE"
}

# The browser tests' npm packages, as package-lock.json pins them; puppeteer
# drives Debian's Chromium and must never fetch a browser of its own.
install_web_test_modules() {
    local dir=$REPO/tests/web
    [ "$dir/node_modules/.package-lock.json" -nt "$dir/package-lock.json" ] && return 0
    (cd "$dir" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
}

# Configures (once) the CMake preset $1 into folder $2 and builds the targets
# that follow.
build_preset() {
    local preset=$1 dir=$2
    shift 2
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        (cd "$REPO" && cmake --preset "$preset" -B "$dir" -DBUILD_TESTING=ON >/dev/null) || return 1
    fi
    cmake --build "$dir" -j"$(nproc)" --target "$@"
}

# A real X server for the show, its own: Xorg with the dummy driver, whose RandR
# really switches to 640 x 480, as root or not; Xvfb, which cannot switch, if
# Xorg will not start. Exports DISPLAY; the server stops when the calling
# script ends.
. "$REPO/tests/e2e/xserver.sh"
XPID=
# Called again by the EXIT trap after a stop by hand: it must then do nothing
# and succeed, or set -e turns the failed kill into the script's exit status.
stop_x() {
    [ -n "$XPID" ] || return 0
    kill "$XPID" 2>/dev/null || true
    wait "$XPID" 2>/dev/null || true
    XPID=
}
start_x() {
    trap stop_x EXIT
    if ! start_xorg_dummy 57 "$REPO/tests/e2e/xorg-dummy.conf" "$BUILD/xorg.log"; then
        echo "Xorg would not start (see $BUILD/xorg.log): Xvfb instead, which cannot switch modes"
        start_x_server 57 Xvfb -screen 0 1024x768x24 -nolisten tcp -noreset ||
            { echo "could not start an X server"; return 1; }
    fi
    XPID=$X_SERVER_PID
}

# Frame $2 of the native show started with --seed $1, exactly as it was drawn
# (tests/swap_counter saves the frame it is about to present), into
# $3/frame$2.ppm: the same seed and frame give the same bytes on every run.
# Needs the build and an X server (start_x).
native_frame() {
    local seed=$1 frame=$2 dir=$3 show
    mkdir -p "$dir"
    rm -f "$dir/frame$frame.ppm"
    (cd "$REPO" && SDL_AUDIODRIVER=dummy LD_PRELOAD=$BUILD/tests/libkelvora_swap_counter.so \
        KELVORA_SWAP_SNAPSHOTS=$frame KELVORA_SWAP_SNAPSHOT_DIR=$dir \
        exec "$BUILD/kelvora" --window --seed "$seed") &
    show=$!
    for _ in $(seq 600); do
        [ -f "$dir/frame$frame.ppm" ] && break
        kill -0 "$show" 2>/dev/null || break
        sleep 0.2
    done
    kill "$show" 2>/dev/null || true
    wait "$show" 2>/dev/null || true
    [ -f "$dir/frame$frame.ppm" ] || { echo "frame $frame of kelvora --seed $seed never came" >&2; return 1; }
}
