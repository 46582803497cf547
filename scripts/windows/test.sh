# Sourced by scripts/dev: the Windows program's tests, under Wine.
#
# What the tests need of the outside they get here, private to this run and
# gone after it: a Wine prefix, an X server (Wine's windows show on it, and
# its screen holds the window at 3x) and a PulseAudio server whose only sink
# plays into a file, so that a test can hear what Windows played. Every wait
# polls for its condition. Then CTest runs, under Wine, the cross-built test
# programs that are not Linux-specific, and the native desktop test drives
# the program unpacked from the zip into a folder of an awkward name.

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local seconds="$1" tries
    shift
    for ((tries = seconds * 20; tries > 0; tries--)); do
        "$@" 2>/dev/null && return 0
        sleep 0.05
    done
    say "gave up waiting for: $*"
    return 1
}

# Runs the Windows tests; $1 is the Qt for Windows they were built with.
test_windows() {
    local qt="$1" work status=0 started
    shift
    started=$(date +%s)
    work=$(mktemp -d)
    local pids=()
    # shellcheck disable=SC2064 # the values of now are the ones to clean up
    trap 'kill "${pids[@]}" 2>/dev/null; WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null; rm -rf "$work"' RETURN
    chmod 700 "$work"

    Xvfb -displayfd 3 -nolisten tcp -screen 0 2400x2400x24 3>"$work/display" 2>/dev/null &
    pids+=($!)
    wait_for 10 test -s "$work/display"
    mkfifo "$work/sink.fifo"
    XDG_RUNTIME_DIR="$work" HOME="$work" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
        --use-pid-file=no --disable-shm=yes --log-level=error \
        -L "module-pipe-sink rate=44100 channels=1 format=s16le use_system_clock_for_timing=yes file=$work/sink.fifo" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$work/native" &
    pids+=($!)
    cat "$work/sink.fifo" >"$work/sink.raw" &
    pids+=($!)
    wait_for 10 test -S "$work/native"

    export -n DISPLAY WAYLAND_DISPLAY
    local env=(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=":$(cat "$work/display")"
        XDG_RUNTIME_DIR="$work" PULSE_SERVER="unix:$work/native" WINEPREFIX="$work/prefix"
        WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" PI_COINS_RECORDING="$work/sink.raw")
    say "Making a Wine prefix"
    "${env[@]}" wine wineboot --init >/dev/null 2>&1
    "${env[@]}" wineserver -w

    # The test programs load Qt's and the compiler's DLLs where they are.
    local dlls=("$qt/bin" "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
        "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")")
    local winepath
    winepath=$(printf 'Z:%s;' "${dlls[@]}")
    "${env[@]}" WINEPATH="${winepath//\//\\}" \
        ctest --test-dir "$windows_build_dir" --output-on-failure --timeout 600 "$@" || status=$?

    # The zip as a user unpacks it, and the program in it on the native
    # desktop test's own X server.
    local folder="$work/ダウンロード (x64)"
    mkdir -p "$folder"
    cmake -E chdir "$folder" cmake -E tar xf "$(ls "$windows_build_dir"/pi-coins-*-windows-x86_64.zip)"
    # A program with a window of its own (no console), its icon and version record.
    local exe headers resources
    exe=$(ls "$folder"/*/pi-coins.exe)
    headers=$(x86_64-w64-mingw32-objdump -p "$exe")
    resources=$(x86_64-w64-mingw32-windres -i "$exe" -O rc | tr -d '\0')
    [[ $headers == *"(Windows GUI)"* && $resources == *'BLOCK "041104B0"'* &&
        $resources == *RT_GROUP_ICON* ]] ||
        { say "$exe lacks its subsystem, version record or icon"; status=1; }
    "${env[@]}" wineserver -k || true
    (cd "$build_dir" && "${env[@]}" PI_COINS_PROGRAM="$exe" \
        tests/tst_desktop programStartsRunsAndEndsOnYes) || status=$?
    say "Windows tests took $(($(date +%s) - started)) s"
    return "$status"
}
