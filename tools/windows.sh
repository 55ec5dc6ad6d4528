#!/usr/bin/env bash
# The program for 64-bit Windows, cross-built here with mingw-w64 against Qt built from
# Debian's source (tools/qt-windows.sh, cached), its test suite run under Wine, the two
# packages a Windows user installs, and the packed program tried under Wine
# (tools/wine-trial.sh). Everything lands in the build folder (default build-windows/):
#   KorvantaTaskList-<version>-win64.zip    the portable program
#   KorvantaTaskList-<version>-setup.exe    its installer
#   screenshot-windows.png                  the main window under Wine
# tools/dev windows installs what this needs and runs it.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KORVANTA_WINDOWS_BUILD_DIR:-$root/build-windows}
werror=(${KORVANTA_WERROR:+-DKORVANTA_WERROR=$KORVANTA_WERROR})

# Debian keeps wine64 off the PATH, beside its wineserver.
wine_dir=$(dirname "$(dpkg -L wine64 | grep -m1 '/wine64$')")
wine=$wine_dir/wine64

qt=$("$root/tools/qt-windows.sh")

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/tools/mingw-w64-x86_64.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" "${werror[@]}" >/dev/null
cmake --build "$build"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

# Windows paths of Linux folders, as Wine maps them (drive Z: is /).
windows_path() { echo "Z:${1//\//\\}"; }

stop_wine() { WINEPREFIX=$1 "$wine_dir/wineserver" -k 2>/dev/null || true; }

# The suite, in one process, in a prefix of its own. It finds Qt and the compiler's runtime
# through WINEPATH. Wine passes on no QT_ variable, so the offscreen platform's font
# folder is set in the prefix's own environment: the DejaVu fonts that the Linux suite
# draws with, Sans first, so that it is the default family.
run_suite() (
    local prefix=$build/wineprefix-tests fonts=$build/test-fonts status=0 runtime
    runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
    mkdir -p "$fonts"
    ln -sf /usr/share/fonts/truetype/dejavu/DejaVuSans{,-Bold,Condensed,Condensed-Bold}.ttf \
        /usr/share/fonts/truetype/dejavu/DejaVuSerif{,-Bold}.ttf "$fonts/"
    export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
    "$wine" reg add 'HKCU\Environment' /v QT_QPA_FONTDIR /d "$(windows_path "$fonts")" /f \
        >/dev/null 2>&1
    WINEPATH="$(windows_path "$qt/bin");$(windows_path "$runtime");$(windows_path /usr/x86_64-w64-mingw32/lib)" \
        timeout 1200 "$wine" "$build/tests/KorvantaTaskListTests.exe" --gtest_brief=1 || status=$?
    stop_wine "$prefix"
    return $status
)
echo "The suite under Wine"
run_suite

# The portable folder: the program, Qt's libraries and plugins and the compiler's runtime.
package=KorvantaTaskList-$version-win64
stage=$build/stage/$package
rm -rf "$build/stage"
cmake --install "$build" --prefix "$stage" --strip >/dev/null
find "$stage" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +

# Same files, same zip: times and order fixed, no extra attributes.
zip=$build/$package.zip
rm -f "$zip"
find "$build/stage" -exec touch -h -d @"$(git -C "$root" log -1 --format=%ct)" {} +
(cd "$build/stage" && find "$package" -type f | LC_ALL=C sort | zip -X -9 -q "$zip" -@)

# The uninstaller deletes what the installer put there, file by file, deepest folder first.
files=$build/uninstall-files.nsh
(
    cd "$stage"
    find . -type f | LC_ALL=C sort | sed 's|^\./||; s|/|\\|g; s|.*|    Delete "$INSTDIR\\&"|'
    find . -mindepth 1 -type d | LC_ALL=C sort -r | sed 's|^\./||; s|/|\\|g; s|.*|    RMDir "$INSTDIR\\&"|'
) >"$files"
setup=$build/KorvantaTaskList-$version-setup.exe
makensis -V2 -DFACTS="$build/package-facts.nsh" -DSTAGE="$stage" -DFILES="$files" \
    -DICON="$root/resources/main_icon.ico" -DOUTFILE="$setup" \
    "$root/resources/windows/installer.nsi" >/dev/null
ls -l "$zip" "$setup" | awk '{printf "%-60s %6.1f MB\n", $NF, $5 / 1048576}'

echo "Trying the packed program under Wine"
xvfb-run -a -s "-screen 0 1280x1024x24" "$root/tools/wine-trial.sh" "$wine" "$zip" "$setup" \
    "$build/tests" "$build/screenshot-windows.png"
