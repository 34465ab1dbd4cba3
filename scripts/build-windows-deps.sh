#!/usr/bin/env bash
# Builds the libraries the Windows cross build needs and Debian has no mingw build of: libpng,
# giflib and GoogleTest from Debian's own sources (apt-get source, from a deb-src entry for the
# same suites as the machine's), plus copies of the header-only CLI11 and nlohmann-json, all as
# static libraries for x86_64-w64-mingw32. zlib comes from Debian's libz-mingw-w64-dev.
#
# Usage: scripts/build-windows-deps.sh [PREFIX]   (default /var/cache/tessary/windows-deps-KEY)
# Prints the prefix on its last line. A prefix already built by this same script and toolchain
# file is reused. Needs root (or sudo) only for the packages and the deb-src entry.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
key=$(cat scripts/build-windows-deps.sh cmake/mingw-w64-x86_64.cmake | sha256sum | cut -c1-12)
prefix=${1:-/var/cache/tessary/windows-deps-$key}
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo -- "$@"; fi
}

export DEBIAN_FRONTEND=noninteractive
# Source entries for the suites the machine already installs from.
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      as_root tee /etc/apt/sources.list.d/tessary-deb-src.sources >/dev/null
  else
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      as_root tee /etc/apt/sources.list.d/tessary-deb-src.list >/dev/null
  fi
  as_root apt-get update
fi
as_root apt-get install -y --no-install-recommends \
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev \
  dpkg-dev cmake ninja-build libcli11-dev nlohmann-json3-dev

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/prefix
mkdir -p "$stage/include" "$stage/lib" "$stage/share/cmake"
cd "$work"
# The newest source first; where a mirror lacks it (security updates, say), the one of each suite.
suites=$(apt-cache policy | sed -n 's/.* release .*n=\([a-z-]*\),.*/\1/p' | sort -u)
for package in libpng1.6 giflib googletest; do
  apt-get source --download-only "$package" >/dev/null 2>&1 ||
    for suite in $suites; do
      apt-get source --download-only "$package/$suite" >/dev/null 2>&1 && break
    done
  ls "$package"_*.dsc >/dev/null 2>&1 || {
    echo "build-windows-deps.sh: cannot fetch the sources of $package" >&2
    exit 1
  }
done
for dsc in *.dsc; do
  dpkg-source --no-check -x "$dsc" >/dev/null
done

toolchain=$source_dir/cmake/mingw-w64-x86_64.cmake
cross_cmake() { # source folder, then options
  local src=$1
  shift
  cmake -S "$src" -B "$src/build-mingw" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$stage" "$@" >/dev/null
  cmake --build "$src/build-mingw" -j2 >/dev/null
  cmake --install "$src/build-mingw" >/dev/null
}

cross_cmake "$(ls -d libpng1.6-*/)" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON
cross_cmake "$(ls -d googletest-*/)" -DBUILD_GMOCK=ON -Dgtest_force_shared_crt=ON

# giflib builds with a plain Makefile; its library is these few files.
(
  cd "$(ls -d giflib-*/)"
  objects=()
  for c in dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_font.c gif_hash.c \
    openbsd-reallocarray.c quantize.c; do
    x86_64-w64-mingw32-gcc-posix -O2 -c "$c" -o "${c%.c}.o"
    objects+=("${c%.c}.o")
  done
  x86_64-w64-mingw32-ar rcs "$stage/lib/libgif.a" "${objects[@]}"
  cp gif_lib.h "$stage/include/"
)

# The header-only libraries, with their package files, so that find_package() finds them
# inside the cross build's own root and never pulls the host's /usr/include in.
cp -R /usr/include/CLI /usr/include/nlohmann "$stage/include/"
cp -R /usr/share/cmake/CLI11 /usr/share/cmake/nlohmann_json "$stage/share/cmake/"

touch "$stage/.complete"
as_root mkdir -p "$(dirname "$prefix")"
as_root rm -rf "$prefix"
as_root cp -R "$stage" "$prefix"
echo "$prefix"
