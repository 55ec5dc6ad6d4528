#!/usr/bin/env bash
# Builds Qt's base module for 64-bit Windows with mingw-w64, from Debian's own source
# package of the Qt the Linux build uses, and prints the folder it is installed in.
#   tools/qt-windows.sh [CACHE_ROOT]
# The install is cached under CACHE_ROOT (default ~/.cache/korvanta/qt-windows), in a
# folder named after the Qt version and a digest of everything that shapes the build;
# when that folder is there, nothing is built. A build that fails or is interrupted
# leaves only its temporary folder's removal behind: the cache folder appears by a
# rename once the install is complete.
# Needs: dpkg-dev (apt-get source), g++-mingw-w64-x86-64-posix, qt6-base-dev-tools (the
# host's moc, rcc and uic), cmake, ninja-build and a deb-src entry for Debian's archive.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache_root=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/korvanta/qt-windows}

package=qt6-base
version=6.4.2+dfsg-10
# The .dsc is pinned by its own digest; it in turn names the digest of each tarball.
dsc=qt6-base_${version}.dsc
dsc_sha256=1b4b5c8610a553d4211fa81e268b1a3b0a6339ae5444fdb7e60d7616da651970

# Only what the program and its tests use: Core, Gui, Widgets and Test, the windows and
# offscreen platform plugins (offscreen needs freetype), the styles built into Widgets
# (the program draws with Fusion) and the JPEG plugin (the programmer's photo). Every
# third-party library is Qt's bundled one. Debian's source leaves out wintab, which the tablet events need. The direct2d feature
# stays, as the windows plugin's DirectWrite font database needs it; direct2d1_1 off
# leaves out the direct2d plugin. OpenGL is off, dynamic OpenGL with it.
options=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_network=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_xml=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_printsupport=OFF
    -DINPUT_opengl=no
    -DFEATURE_vulkan=OFF
    -DFEATURE_direct2d1_1=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_style_windowsvista=OFF
    -DFEATURE_gif=OFF
    -DFEATURE_textmarkdownreader=OFF
    -DFEATURE_textmarkdownwriter=OFF
    -DFEATURE_zstd=OFF
    -DFEATURE_icu=OFF
    -DFEATURE_pkg_config=OFF
    -DFEATURE_system_zlib=OFF
    -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_png=OFF
    -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_libb2=OFF
)

toolchain=$root/tools/mingw-w64-x86_64.cmake
key=$( (
    echo "$package $version $dsc_sha256"
    printf '%s\n' "${options[@]}"
    cat "$toolchain"
    x86_64-w64-mingw32-g++-posix --version | head -1
) | sha256sum | cut -c1-16)
install_dir=$cache_root/qt-6.4.2-mingw64-$key

if [ -f "$install_dir/lib/cmake/Qt6/Qt6Config.cmake" ]; then
    echo "Qt for Windows: cached in $install_dir" >&2
    echo "$install_dir"
    exit 0
fi

mkdir -p "$cache_root"
work=$(mktemp -d "$cache_root/.build-XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM HUP
echo "Qt for Windows: building into $install_dir (about 30 minutes on two cores)" >&2
started=$SECONDS

# The log of a failed step outlives the build folder.
failed() {
    cp "$1" "$cache_root/failed-$1"
    grep -A20 -m3 '^FAILED:\|CMake Error' "$1" >&2 || tail -40 "$1" >&2
    echo "Qt for Windows: failed; the whole log is $cache_root/failed-$1" >&2
    exit 1
}

cd "$work"
apt-get source --download-only "$package=$version" >/dev/null 2>&1 ||
    apt-get source --download-only "$package=$version"
echo "$dsc_sha256  $dsc" | sha256sum --check --quiet
# The .dsc's Checksums-Sha256 section: " <digest> <size> <file>" lines.
sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$dsc" | awk '{print $1 "  " $3}' >tarballs.sha256
sha256sum --check --quiet tarballs.sha256

mkdir source debian-files
tar -xJf qt6-base_6.4.2+dfsg.orig.tar.xz -C source --strip-components=1
tar -xJf "qt6-base_${version}.debian.tar.xz" -C debian-files
# Debian's security fixes; its other patches are for Debian's own Linux build.
grep -E '^cve-' debian-files/debian/patches/series | while read -r patch; do
    patch -d source -p1 --quiet --forward <"debian-files/debian/patches/$patch"
done

cmake -S source -B build -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$work/install" \
    "${options[@]}" >configure.log 2>&1 || failed configure.log
cmake --build build >build.log 2>&1 || failed build.log
cmake --install build >/dev/null
mv "$work/install" "$install_dir"
echo "Qt for Windows: built in $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s" >&2
echo "$install_dir"
