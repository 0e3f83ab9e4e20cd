#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Quavril need.
# Does nothing when they are all present; uses sudo when not run as root.
set -euo pipefail
packages=(
    # build
    cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libasound2-dev libxcb1-dev
    libfftw3-dev # the signal monitor's spectrum (FFTW, single precision)
    # tests and benchmarks
    googletest libgtest-dev libbenchmark-dev fonts-dejavu-core
    # benchmarks and measurements against sox (bench/*.sh, bench/analyse.py)
    sox time python3-numpy
    # sound: ALSA tools, and a headless PipeWire server for the real-time tests
    alsa-utils pipewire pipewire-alsa wireplumber dbus dbus-user-session
    # the desktop's media controls, as a client sees them
    playerctl
    # windows under a virtual X server; key events for the broadcast benchmark
    xvfb xdotool openbox x11-utils libxcb-xtest0-dev
    # SCPI: a real VISA client (pure-Python back end), D-Bus from Python for the benchmark
    python3-pyvisa python3-pyvisa-py python3-dbus
    # SCPI discovery: the test runs its own Avahi daemon on a private bus, loopback only (it
    # steps aside where the system's Avahi already runs)
    avahi-daemon avahi-utils
    # installing: icons, manual pages, the Debian package, and the desktop's validators
    librsvg2-bin go-md2man dpkg-dev file desktop-file-utils appstream shared-mime-info
    libxml2-utils lintian
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
