#!/bin/sh
# The private servers the tests start, defined once for the C++ tests, the
# benchmark and the Windows test script. Each runs until it is killed.
#
#   test-servers.sh x [WIDTHxHEIGHT]
#       An X server on a free display; it writes the display's number to
#       standard output once it takes connections.
#   test-servers.sh sound DIR
#       A PulseAudio server at DIR/native (there once it is ready), whose
#       only sink plays 16-bit mono at 44.1 kHz into a pipe read into
#       DIR/sink.raw (a null sink's monitor would miss a stream's start).
#       It is PulseAudio's own where that is installed; on a desktop with
#       PipeWire instead, it is PipeWire's PulseAudio server, run privately
#       with its session manager, told of no devices, so that the session's
#       own sound is left alone. Killing it ends all of it.
set -eu
case "$1" in
x)
    exec Xvfb -displayfd 1 -nolisten tcp ${2:+-screen 0 "$2"x24}
    ;;
sound) ;;
*)
    echo "usage: test-servers.sh x [WIDTHxHEIGHT] | sound DIR" >&2
    exit 2
    ;;
esac

dir="$2"
# A new pipe each time: a reader of the last one's can only come to its end.
rm -f "$dir/native" "$dir/sink.fifo"
mkfifo "$dir/sink.fifo"
cat "$dir/sink.fifo" >>"$dir/sink.raw" &
sink="module-pipe-sink rate=44100 channels=1 format=s16le file=$dir/sink.fifo"
export XDG_RUNTIME_DIR="$dir" HOME="$dir"
if command -v pulseaudio >/dev/null; then
    exec pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
        --log-level=error -L "$sink use_system_clock_for_timing=yes" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/native"
fi

# PipeWire: what an earlier run here left is ended first.
if [ -f "$dir/daemons" ]; then
    for pid in $(cat "$dir/daemons"); do
        kill -9 "$pid" 2>/dev/null || true
        while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
    done
fi
rm -rf "$dir/pw"
mkdir -p "$dir/pw/pulse" "$dir/pw/config/wireplumber/wireplumber.conf.d" \
    "$dir/pw/config/wireplumber/main.lua.d" "$dir/pw/config/pipewire/pipewire.conf.d"
export PIPEWIRE_RUNTIME_DIR="$dir/pw" PULSE_RUNTIME_PATH="$dir/pw/pulse" \
    XDG_CONFIG_HOME="$dir/pw/config" DBUS_SESSION_BUS_ADDRESS=disabled:
# No device monitors (WirePlumber 0.5, then 0.4): the machine's sound cards stay the session's.
cat >"$dir/pw/config/wireplumber/wireplumber.conf.d/90-no-devices.conf" <<'CONF'
wireplumber.profiles = { main = { monitor.alsa = disabled, monitor.alsa-midi = disabled,
  monitor.bluez = disabled, monitor.v4l2 = disabled, monitor.libcamera = disabled } }
CONF
cat >"$dir/pw/config/wireplumber/main.lua.d/90-no-devices.lua" <<'CONF'
alsa_monitor.enabled = false
v4l2_monitor.enabled = false
libcamera_monitor.enabled = false
CONF
# The graph at the sink's rate, so that what is played is recorded sample for sample.
cat >"$dir/pw/config/pipewire/pipewire.conf.d/90-rate.conf" <<'CONF'
context.properties = { default.clock.rate = 44100  default.clock.allowed-rates = [ 44100 ] }
CONF
pipewire >/dev/null 2>&1 &
pipewire=$!
while [ ! -S "$dir/pw/pipewire-0" ]; do sleep 0.05; done
wireplumber >/dev/null 2>&1 &
wireplumber=$!
echo "$pipewire $wireplumber $$" >"$dir/daemons"
# Ready, at DIR/native, once the pipe sink is there; then, once the
# PulseAudio server (this process, from the exec on) has ended, the rest.
(
    while [ ! -S "$dir/pw/pulse/native" ]; do sleep 0.05; done
    pactl -s "unix:$dir/pw/pulse/native" load-module $sink >/dev/null
    ln -s "$dir/pw/pulse/native" "$dir/native"
    while kill -0 $$ 2>/dev/null; do sleep 0.2; done
    kill -9 "$pipewire" "$wireplumber" 2>/dev/null || true # DIR may be gone by now
) &
exec pipewire-pulse >/dev/null 2>&1
