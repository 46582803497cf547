#!/bin/sh
# The private servers the tests start, defined once for the C++ tests and the
# Windows test script. Each runs in the foreground until it is killed.
#
#   servers.sh x [WIDTHxHEIGHT]
#       An X server on a free display; it writes the display's number to
#       standard output once it takes connections.
#   servers.sh sound DIR
#       A PulseAudio server listening at DIR/native, whose only sink plays
#       16-bit mono at 44.1 kHz into the pipe DIR/sink.fifo (read it to hear
#       what was played: a null sink's monitor misses a stream's start);
#       DIR/sink.raw gathers everything it played.
set -eu
case "$1" in
x)
    exec Xvfb -displayfd 1 -nolisten tcp ${2:+-screen 0 "$2"x24}
    ;;
sound)
    dir="$2"
    # A new pipe each time: a reader of the last one's can only come to its end.
    rm -f "$dir/native" "$dir/sink.fifo"
    mkfifo "$dir/sink.fifo"
    cat "$dir/sink.fifo" >>"$dir/sink.raw" &
    XDG_RUNTIME_DIR="$dir" HOME="$dir" exec pulseaudio -n --daemonize=no --exit-idle-time=-1 \
        --use-pid-file=no --disable-shm=yes --log-level=error \
        -L "module-pipe-sink rate=44100 channels=1 format=s16le use_system_clock_for_timing=yes file=$dir/sink.fifo" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/native"
    ;;
*)
    echo "usage: servers.sh x [WIDTHxHEIGHT] | sound DIR" >&2
    exit 2
    ;;
esac
