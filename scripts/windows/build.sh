# Sourced by scripts/dev: the Windows program, cross-built with MinGW-w64
# against Qt for Windows, which is cross-built from Debian's own qt6-base
# source package, once, into a cache outside the tree.
#
# Debian has no Qt for MinGW. The source is fetched with apt-get through a
# private source list (deb-src entries for the mirrors and keyrings of the
# machine's own list) and private package lists, so the machine's apt
# configuration is never changed. The version is the installed Linux Qt's,
# whose moc, rcc and uic serve as the host tools. The cache key is that
# version and a hash of the configure line and the toolchain file, so a
# change of either builds anew; later builds and CI on the same machine
# reuse it.

qt_windows_configure=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_TOOLS_WHEN_CROSSCOMPILING=OFF
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    # Debian's source has no wintab headers.
    -DFEATURE_tabletevent=OFF
    # What the program does not use. direct2d stays: the windows platform
    # plugin's DirectWrite font database is built only with it.
    -DFEATURE_dbus=OFF -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_opengl=OFF
    -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF
    -DFEATURE_zstd=OFF
    -DFEATURE_gif=OFF -DFEATURE_sessionmanager=OFF -DFEATURE_androiddeployqt=OFF
    # Everything else from Qt's own copies: MinGW has none of these.
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
)

# Prints the prefix of the cached Qt for Windows, building it first if need be.
windows_qt_prefix() {
    local version key cache prefix
    version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
    key=$(cat "$root/scripts/windows/toolchain.cmake" - <<<"${qt_windows_configure[*]}" |
        sha256sum | cut -c1-12)
    cache="${PI_COINS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/pi-coins}"
    prefix="$cache/qt-$version-mingw-$key"
    if [[ ! -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ]]; then
        build_windows_qt "$version" "$prefix" >&2
    fi
    printf '%s\n' "$prefix"
}

# Writes deb-src entries for every deb entry of the machine's own list.
write_source_list() {
    local out="$1" file
    for file in /etc/apt/sources.list.d/*.sources; do
        [[ -f "$file" ]] || continue
        sed -e 's/^Types:.*\bdeb\b.*/Types: deb-src/' "$file" >"$out/$(basename "$file")"
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [[ -f "$file" ]] || continue
        sed -n -e 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file" >"$out/$(basename "$file")"
    done
}

build_windows_qt() {
    local version="$1" prefix="$2" work apt started
    started=$(date +%s)
    work="$(dirname "$prefix")/work-$(basename "$prefix")"
    rm -rf "$work" "$prefix"
    mkdir -p "$work/sources" "$work/lists/partial" "$work/cache/archives/partial" "$work/src"
    say "Building Qt $version for Windows into $prefix (once; 20 to 30 minutes on 2 cores)"
    write_source_list "$work/sources"
    apt=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$work/sources"
        -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache"
        -o APT::Sandbox::User="$(id -un)")
    apt-get "${apt[@]}" -qq update
    (cd "$work/src" && apt-get "${apt[@]}" -qq source --download-only "qt6-base=$version" &&
        dpkg-source -x ./*.dsc qtbase >../unpack.log 2>&1)
    cmake -S "$work/src/qtbase" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/scripts/windows/toolchain.cmake" \
        -DCMAKE_INSTALL_PREFIX="$prefix.partial" "${qt_windows_configure[@]}" >"$work/configure.log"
    cmake --build "$work/build" --parallel "$(nproc)" >"$work/build.log" ||
        { tail -n 40 "$work/build.log"; return 1; }
    cmake --install "$work/build" --strip >/dev/null
    mv "$prefix.partial" "$prefix"
    rm -rf "$work"
    say "Qt for Windows built in $(($(date +%s) - started)) s"
}

# Makes the per-user installer from the zip's files with Debian's makensis;
# the files are listed once, for installing and uninstalling. $1 and $2, if
# given, are another version number and the installer to make for it (the
# tests install an older version first).
make_installer() {
    local stage="$windows_build_dir/stage" files="$windows_build_dir/installer-files.nsh" f
    rm -rf "$stage"
    cmake --install "$windows_build_dir" --prefix "$stage" --strip >/dev/null
    {
        echo '!ifdef INSTALL'
        (cd "$stage" && find . -type f | sort) | while read -r f; do
            f=${f#./} d=$(dirname "${f#./}" | tr / '\\')
            [[ $d == . ]] && d=
            printf 'SetOutPath "$INSTDIR%s"\nFile "%s"\n' "${d:+\\$d}" "$stage/$f"
        done
        echo 'SetOutPath "$INSTDIR"'
        echo '!else'
        (cd "$stage" && find . -type f | sort) | while read -r f; do
            printf 'Delete "$INSTDIR\%s"\n' "$(tr / '\\' <<<"${f#./}")"
        done
        (cd "$stage" && find . -mindepth 1 -type d | sort -r) | while read -r f; do
            printf 'RMDir "$INSTDIR\%s"\n' "$(tr / '\\' <<<"${f#./}")"
        done
        echo '!endif'
    } >"$files"
    local version="${1:-}" outfile="${2:-}"
    [[ -n "$version" ]] ||
        version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$windows_build_dir/CMakeCache.txt")
    [[ -n "$outfile" ]] || outfile="$windows_build_dir/pi-coins-$version-windows-x86_64-setup.exe"
    makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DFILES="$files" \
        -DSIZE_KB="$(du -sk "$stage" | cut -f1)" -DICON="$windows_build_dir/assets/frog.ico" \
        -DOUTFILE="$outfile" "$root/packaging/windows/installer.nsi" >/dev/null
}

# Cross-builds the program in Release into $windows_build_dir and makes the
# zip and the installer there, with their SHA-256 sums. The picture renderer
# runs here, so it comes from the native build.
build_windows() {
    local qt
    qt=$(windows_qt_prefix)
    configure "$build_dir" -DCMAKE_BUILD_TYPE="$build_type"
    cmake --build "$build_dir" --target render-assets "$@"
    configure "$windows_build_dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/scripts/windows/toolchain.cmake" \
        -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DPI_COINS_HOST_TOOLS="$build_dir/tools" -DPI_COINS_BUILD_BENCHMARKS=OFF
    cmake --build "$windows_build_dir" --parallel "$(nproc)"
    (cd "$windows_build_dir" && cpack >/dev/null)
    make_installer
    (cd "$windows_build_dir" && sha256sum pi-coins-*-windows-x86_64.zip \
        pi-coins-*-windows-x86_64-setup.exe >SHA256SUMS)
    say "Made $(cd "$windows_build_dir" && ls pi-coins-*-windows-x86_64* | tr '\n' ' ')and SHA256SUMS"
}
