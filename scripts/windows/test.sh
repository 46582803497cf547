# Sourced by scripts/dev: the Windows program's tests, under Wine.
#
# What the tests need of the outside they get here, private to this run and
# gone after it: a Wine prefix, an X server (Wine's windows show on it, and
# its screen holds the window at 3x) and a PulseAudio server whose only sink
# plays into a file, so that a test can hear what Windows played. Every wait
# polls for its condition. Fontconfig is told of no fonts, so that Wine has
# no fonts of the host's: the program must show its texts with the font it
# brings. Then CTest runs, under Wine, the cross-built test programs that are
# not Linux-specific; the native desktop test drives the program unpacked
# from the zip into a folder of a Japanese name, and the program the
# installer installed; the installer and uninstaller run silently, and
# nothing of them may be left.

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

    "$root/scripts/test-servers.sh" x 2400x2400 >"$work/display" 2>/dev/null &
    pids+=($!)
    wait_for 10 test -s "$work/display"
    "$root/scripts/test-servers.sh" sound "$work" &
    pids+=($!)
    wait_for 10 test -S "$work/native"

    export -n DISPLAY WAYLAND_DISPLAY
    echo '<fontconfig/>' >"$work/no-fonts.conf"
    local env=(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=":$(cat "$work/display")"
        XDG_RUNTIME_DIR="$work" PULSE_SERVER="unix:$work/native" WINEPREFIX="$work/prefix"
        WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" PI_COINS_RECORDING="$work/sink.raw"
        FONTCONFIG_FILE="$work/no-fonts.conf")
    say "Making a Wine prefix"
    "${env[@]}" wine wineboot --init >/dev/null 2>&1
    # Windows 10, as the program's manifest says it is written for: a
    # program without one would be told it runs on Windows 8.
    "${env[@]}" wine winecfg -v win10 >/dev/null 2>&1
    "${env[@]}" wineserver -w

    # The test programs load Qt's and the compiler's DLLs where they are.
    local dlls=("$qt/bin" "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
        "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")")
    local winepath
    winepath=$(printf 'Z:%s;' "${dlls[@]}")
    "${env[@]}" WINEPATH="${winepath//\//\\}" \
        ctest --test-dir "$windows_build_dir" --output-on-failure --timeout 600 "$@" || status=$?

    # The zip as a user unpacks it, in a folder whose name the ANSI code
    # page cannot spell, and the program in it on the native desktop test's
    # own X server: its texts must come from the font beside it.
    local folder="$work/円周率 テスト"
    mkdir -p "$folder"
    cmake -E chdir "$folder" cmake -E tar xf "$(ls "$windows_build_dir"/pi-coins-*-windows-x86_64.zip)"
    # A program with a window of its own (no console), its icon at every
    # size, its manifest and version record.
    local exe headers resources
    exe=$(ls "$folder"/*/pi-coins.exe)
    headers=$(x86_64-w64-mingw32-objdump -p "$exe")
    resources=$(x86_64-w64-mingw32-windres -i "$exe" -O rc | tr -d '\0')
    [[ $headers == *"(Windows GUI)"* && $resources == *'BLOCK "041104B0"'* &&
        $resources == *PerMonitorV2* && $resources == *asInvoker* &&
        $(grep -c 'RT_ICON \*/' <<<"$resources") == 8 ]] ||
        { say "$exe lacks its subsystem, version record, manifest or icons"; status=1; }
    "${env[@]}" wineserver -k || true
    (cd "$build_dir" && "${env[@]}" PI_COINS_PROGRAM="$exe" \
        tests/tst_desktop "programOnTheDesktop:working server") || status=$?

    say "Windows tests: the zip checked after $(($(date +%s) - started)) s"
    # What the user sees when the program cannot start: one message box, its
    # own, active, which Enter closes; then the program ends with status 1.
    mv "$(dirname "$exe")/platforms" "$work/platforms.moved"
    "${env[@]}" wine "$exe" >/dev/null 2>&1 &
    local pid=$! code=0
    wait_for 60 "${env[@]}" xdotool search --name '^pi-coins$' >/dev/null ||
        { say "without its platforms folder, the program showed no message box"; status=1; }
    # Enter on the box until the program has ended (a key that comes before
    # the box takes input is lost).
    local tries
    for ((tries = 1200; tries > 0; tries--)); do
        kill -0 "$pid" 2>/dev/null || break
        "${env[@]}" xdotool search --name '^pi-coins$' windowfocus key Return 2>/dev/null || true
        sleep 0.05
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" || code=$?
    ((code == 1)) || { say "without its platforms folder, the program ended with $code"; status=1; }
    mv "$work/platforms.moved" "$(dirname "$exe")/platforms"

    say "Windows tests: the start-up message checked after $(($(date +%s) - started)) s"
    # The installer: an older version into a folder of a Japanese name with
    # spaces, then this one into another folder over it; the installed
    # program from its Start menu entry's target; the uninstaller while it
    # runs, then after it; and nothing left behind.
    local setup user_dir installed shortcut key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\pi-coins'
    local old_dir='C:\円周率 テスト\pi-coins' old_unix="$work/prefix/drive_c/円周率 テスト/pi-coins" code
    setup=$(ls "$windows_build_dir"/pi-coins-*-windows-x86_64-setup.exe)
    make_installer 0.99 "$work/pi-coins-0.99-setup.exe"
    # The command line exactly as typed (Wine would quote an argument with
    # spaces): through cmd, which runs its line as it stands.
    "${env[@]}" wine cmd /c "Z:${work//\//\\}\\pi-coins-0.99-setup.exe /S /D=$old_dir" && "${env[@]}" wineserver -w
    [[ -f "$old_unix/pi-coins.exe" ]] && "${env[@]}" wine reg query "$key" /v DisplayVersion 2>/dev/null | grep -q '0\.99' ||
        { say "the older installer did not install into $old_dir"; status=1; }
    # A /D= NSIS would pass over (quoted, as Wine writes one with spaces) is refused.
    "${env[@]}" wine "$setup" /S '/D=C:\quoted dir' && code=0 || code=$?
    ((code == 2)) && [[ ! -e "$work/prefix/drive_c/quoted dir" ]] ||
        { say "a quoted /D= was not refused (status $code)"; status=1; }
    "${env[@]}" wine "$setup" /S && "${env[@]}" wineserver -w
    user_dir="$work/prefix/drive_c/users/$(id -un)"
    installed="$user_dir/AppData/Local/Programs/pi-coins"
    shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/pi-coins.lnk"
    # Offered the registered folder, it replaced the older install there.
    [[ -f "$old_unix/pi-coins.exe" && ! -e "$installed" ]] &&
        "${env[@]}" wine reg query "$key" /v DisplayVersion 2>/dev/null | grep -q '1\.00' ||
        { say "the installer did not replace the older install in its own folder"; status=1; }
    "${env[@]}" wine "$setup" /S '/D=C:\PiB' && "${env[@]}" wineserver -w
    installed="$work/prefix/drive_c/PiB"
    if [[ ! -f "$installed/pi-coins.exe" || ! -f "$shortcut" || -e "$old_unix" ]] ||
        [[ $("${env[@]}" wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null | grep -c 'pi-coins') != 1 ]] ||
        ! "${env[@]}" wine reg query "$key" /v InstallLocation 2>/dev/null | grep -q 'PiB'; then
        say "installed into another folder, there is not exactly one install and one entry"
        status=1
    fi
    (cd "$build_dir" && "${env[@]}" PI_COINS_PROGRAM="$installed/pi-coins.exe" \
        tests/tst_desktop "programOnTheDesktop:working server") || status=$?
    # While the program runs, the uninstaller changes nothing and says so.
    "${env[@]}" wine "$installed/pi-coins.exe" >/dev/null 2>&1 &
    local running=$!
    wait_for 60 "${env[@]}" xdotool search --name 円周率 >/dev/null
    # Run in place (_?=), so that its own status is the command's.
    "${env[@]}" wine "$installed/uninstall.exe" /S '_?=C:\PiB' && code=0 || code=$?
    if ((code != 3)) || [[ ! -f "$installed/pi-coins.exe" || ! -f "$shortcut" ]] ||
        ! "${env[@]}" wine reg query "$key" >/dev/null 2>&1; then
        say "the uninstaller, while the program ran, ended with $code or changed something"
        status=1
    fi
    kill "$running" 2>/dev/null; "${env[@]}" wineserver -k 2>/dev/null || true
    wait "$running" 2>/dev/null || true
    "${env[@]}" wine "$installed/uninstall.exe" /S && "${env[@]}" wineserver -w
    if [[ -e "$installed" || -e "$shortcut" ]] ||
        "${env[@]}" wine reg query "$key" >/dev/null 2>&1; then
        say "the uninstaller left files, the shortcut or the uninstall entry behind"; status=1
    fi
    say "Windows tests took $(($(date +%s) - started)) s"
    return "$status"
}
