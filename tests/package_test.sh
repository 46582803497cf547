#!/usr/bin/env bash
# The desktop integration and the Debian package, checked the way a
# distribution would: validators, control fields, file list, lintian, and
# the unpacked package started under a private X server, where it must find
# its cues in its installed data directory. Also compiles the Windows
# resources with the MinGW resource compiler.
#   package_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail

source_dir=$1
build_dir=$2
work=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
    [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        echo "PASS   : $what"
    else
        echo "FAIL!  : $what"
        sed 's/^/    /' "$work/out"
        failures=$((failures + 1))
    fi
}

app_id=io.github.picoins.PiCoins
check "desktop entry validates" desktop-file-validate "$source_dir/assets/$app_id.desktop"
check "metainfo validates" appstreamcli validate --no-net "$source_dir/assets/$app_id.metainfo.xml"
check "desktop entry categories" grep -qx 'Categories=Education;Science;Math;' \
    "$source_dir/assets/$app_id.desktop"
check "metainfo has release 1.00" grep -q '<release version="1.00"' \
    "$source_dir/assets/$app_id.metainfo.xml"

# The package.
check "cpack builds the package" cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work/pkg"
deb=$(ls "$work"/pkg/pi-coins_1.00_*.deb)
field() { dpkg-deb -f "$deb" "$1"; }
check "version is 1.00" test "$(field Version)" = 1.00
check "package name" test "$(field Package)" = pi-coins
for dependency in qt6-qpa-plugins fonts-ipafont-gothic libcanberra-pulse libqt6widgets6 \
    libcanberra0 libc6; do
    check "depends on $dependency" grep -q "\b$dependency\b" <<<"$(field Depends)"
done
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for file in /usr/bin/pi-coins /usr/share/pi-coins/pinpon.wav /usr/share/pi-coins/endpinpon.wav \
    /usr/share/applications/$app_id.desktop /usr/share/metainfo/$app_id.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/$app_id.svg /usr/share/doc/pi-coins/copyright \
    /usr/share/doc/pi-coins/changelog.gz /usr/share/man/man1/pi-coins.1.gz; do
    check "ships $file" grep -qx "$file" "$work/files"
done
for size in 32 48 64 128 256; do
    check "ships the ${size}px icon" grep -qx \
        "/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png" "$work/files"
done
dpkg-deb -x "$deb" "$work/root"
check "binary is stripped" grep -q ', stripped' <<<"$(file "$work/root/usr/bin/pi-coins")"
check "32px icon is the program's own picture" cmp "$build_dir/assets/frog-32.png" \
    "$work/root/usr/share/icons/hicolor/32x32/apps/$app_id.png"
lintian --no-tag-display-limit "$deb" >"$work/lintian" 2>&1 || true
check "lintian reports no errors" bash -c "! grep -q '^E:' '$work/lintian'"

# The unpacked package under a real X server, started from an empty folder.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 15 display <&"$fd" || true
if [[ -z ${display:-} ]]; then
    echo "FAIL!  : Xvfb did not start"
    exit 1
fi
mkdir -p "$work/empty" "$work/runtime"
chmod 700 "$work/runtime"
(
    cd "$work/empty"
    exec env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=":$display" XDG_RUNTIME_DIR="$work/runtime" PULSE_SERVER=unix:/nonexistent \
        QT_LOGGING_RULES='pi-coins.sound.debug=true' "$work/root/usr/bin/pi-coins" \
        >"$work/program.log" 2>&1
) &
program_pid=$!
for _ in $(seq 100); do
    DISPLAY=":$display" xdotool search --name 'コインを投げて' >/dev/null 2>&1 && break
    sleep 0.1
done
# Press "10個": the run opens its cue.
DISPLAY=":$display" xdotool mousemove 415 584 click 1
for _ in $(seq 50); do
    grep -q 'opened sound cue' "$work/program.log" && break
    sleep 0.1
done
check "installed program finds its cue in its data directory" \
    grep -q "opened sound cue $work/root/usr/share/pi-coins/pinpon.wav" "$work/program.log"
check "installed program is still running" kill -0 "$program_pid"

# The Windows resources compile.
check "Windows resources compile" x86_64-w64-mingw32-windres --preprocessor=cpp \
    -I "$build_dir/assets" -i "$source_dir/assets/pi-coins.rc" -O res -o "$work/pi-coins.res"
x86_64-w64-mingw32-windres -i "$work/pi-coins.res" -O rc -o "$work/decompiled.rc" 2>/dev/null || true
check "version block 041104B0" grep -q 'BLOCK "041104B0"' "$work/decompiled.rc"
check "file version 1.00" grep -q 'VALUE "FileVersion", "1.00"' "$work/decompiled.rc"
check "product version 1.00" grep -q 'VALUE "ProductVersion", "1.00"' "$work/decompiled.rc"
check "icon compiled in" grep -q 'ICON' "$work/decompiled.rc"

echo "Totals: $failures failed"
((failures == 0))
