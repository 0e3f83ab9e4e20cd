#!/bin/sh
# The SCPI servers of two generators as avahi-browse finds them: a private system bus and an
# Avahi daemon that uses the loopback interface only (nothing leaves this computer), two copies
# of the program with the stored setting on every address (clients: this computer only).
#   tests/app/scpi_avahi.sh BUILD_DIR
# Exit 77 (skipped) without avahi-daemon and avahi-browse (scripts/deps.sh installs them), or
# when the system's own Avahi runs: the test never touches the system's daemon.
set -u
build=$1
command -v avahi-daemon >/dev/null 2>&1 && command -v avahi-browse >/dev/null 2>&1 || exit 77
[ -e /run/avahi-daemon/pid ] && exit 77
work=$(mktemp -d "${TMPDIR:-/tmp}/quavril-avahi.XXXXXX")
pids=""
cleanup() {
    [ -n "$pids" ] && kill $pids 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/> <allow eavesdrop="true"/>
    <allow own="*"/> <allow user="*"/>
  </policy>
</busconfig>
CONF
printf '[server]\nhost-name=quavril-avahi-test\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=lo\n[wide-area]\nenable-wide-area=no\n[publish]\npublish-workstation=no\n' \
    >"$work/avahi.conf"
dbus-daemon --config-file="$work/bus.conf" --nofork >"$work/bus.log" 2>&1 &
pids="$!"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/system_bus_socket"
i=0
while [ ! -S "$work/system_bus_socket" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
avahi-daemon -f "$work/avahi.conf" --no-drop-root --no-chroot --no-rlimits >"$work/avahi.log" 2>&1 &
pids="$pids $!"
i=0
until grep -q "Server startup complete" "$work/avahi.log" || [ $i -ge 100 ]; do sleep 0.1; i=$((i + 1)); done

port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$work/config/Orvande"
printf '[Software]\nOrvande\\Quavril\\Fs=3\nOrvande\\Quavril\\ScpiServer=1\nOrvande\\Quavril\\ScpiAddress=0.0.0.0\nOrvande\\Quavril\\ScpiPort=%s\nOrvande\\Quavril\\ScpiAllowed=127.0.0.1\n' \
    "$port" >"$work/config/Orvande/Quavril.conf"
printf 'pcm.!default { type null }\npcm.spare {\n type null\n hint { show on description "Spare" }\n}\n' >"$work/asound.conf"
for n in 1 2; do
    ALSA_CONFIG_PATH="$work/asound.conf" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen \
        "$build/bin/quavril" >"$work/quavril$n.log" 2>&1 &
    pids="$pids $!"
    sleep 1
done
host=$(hostname)
expected=2
i=0
while :; do
    found=$(avahi-browse -r -t -p _scpi-raw._tcp 2>/dev/null | grep '^=' | sort)
    [ "$(printf '%s\n' "$found" | grep -c 'Manufacturer=Orvande')" -ge $expected ] && break
    i=$((i + 1))
    if [ $i -ge 20 ]; then
        echo "avahi-browse found:"; printf '%s\n' "$found"; cat "$work"/quavril*.log; exit 1
    fi
    sleep 0.5
done
status=0
for p in "$port" $((port + 1)); do
    printf '%s\n' "$found" | grep -q ";_scpi-raw._tcp;local;.*;$p;.*\"SerialNumber=$host:$p\"" ||
        { echo "no announcement of port $p:"; printf '%s\n' "$found"; status=1; }
done
printf '%s\n' "$found" | grep -q "^=;lo;IPv4;Quavril\\\\032on\\\\032$host;" ||
    { echo "no \"Quavril on $host\""; status=1; }
printf '%s\n' "$found" | grep -q "^=;lo;IPv4;Quavril\\\\032on\\\\032$host\\\\032\\\\0352;" ||
    { echo "no \"Quavril on $host #2\""; status=1; }
[ $status -eq 0 ] && echo "avahi-browse finds both generators"
exit $status
