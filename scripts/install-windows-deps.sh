#!/usr/bin/env bash
# Installs what the Windows build needs and the default install-deps.sh leaves
# out: the mingw-w64 cross compilers, Wine, and (cross-built from Debian's
# source packages into build/windows-deps/prefix, never committed) the
# libraries that Debian ships only for Linux: NLopt and GoogleTest. Eigen and
# Boost are header-only and are used from the build machine. Does nothing
# that is already done, so it is safe to run before every Windows build.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$repo/build/windows-deps"
prefix="$work/prefix"
toolchain="$repo/cmake/mingw-w64-x86_64.cmake"
jobs="${JOBS:-2}"

packages=(
  g++-mingw-w64-x86-64-posix
  gcc-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64
  wine64
  wine
  dpkg-dev
  googletest
  libeigen3-dev
  libboost-dev
  cmake
)

is_installed() {
  [[ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true)" == installed ]]
}

as_root=()
if [[ "$(id -u)" -ne 0 ]]; then
  command -v sudo >/dev/null 2>&1 || {
    echo "install-windows-deps: not root, and sudo is not available." >&2
    exit 1
  }
  as_root=(sudo)
fi
apt_get() { "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"; }

missing=()
for package in "${packages[@]}"; do
  is_installed "$package" || missing+=("$package")
done
if [[ ${#missing[@]} -ne 0 ]]; then
  echo "install-windows-deps: installing ${missing[*]}"
  apt_get update -q
  apt_get install -y -q --no-install-recommends "${missing[@]}"
fi

cross_cmake() {
  nice -n 10 cmake -S "$1" -B "$2" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DVARNO_WINDOWS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "${@:3}" >/dev/null
  nice -n 10 cmake --build "$2" --parallel "$jobs" >/dev/null
  cmake --install "$2" >/dev/null
}

mkdir -p "$prefix/include"
# Boost's headers for the cross compiler, without the rest of /usr/include.
ln -sfn /usr/include/boost "$prefix/include/boost"

if [[ ! -f "$work/nlopt.done" ]]; then
  # Debian's source of the same NLopt release the Linux build links.
  if ! apt-get source --print-uris nlopt >/dev/null 2>&1; then
    echo "install-windows-deps: adding Debian's source archive to apt"
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      "${as_root[@]}" tee /etc/apt/sources.list.d/varno-deb-src.sources >/dev/null
    apt_get update -q
  fi
  rm -rf "$work/nlopt-src"
  mkdir -p "$work/nlopt-src"
  (cd "$work/nlopt-src" && apt-get source -q nlopt >/dev/null)
  source_dir="$(find "$work/nlopt-src" -mindepth 1 -maxdepth 1 -type d | head -n 1)"
  echo "install-windows-deps: cross-building $(basename "$source_dir")"
  cross_cmake "$source_dir" "$work/nlopt-build" -DNLOPT_CXX=ON -DNLOPT_PYTHON=OFF \
    -DNLOPT_OCTAVE=OFF -DNLOPT_MATLAB=OFF -DNLOPT_GUILE=OFF -DNLOPT_SWIG=OFF -DNLOPT_TESTS=OFF
  # Built with its C++ routines the library is named nlopt_cxx; Debian's Linux
  # package exports it as NLopt::nlopt, the name the build links.
  sed -i 's/NLopt::nlopt_cxx/NLopt::nlopt/g' "$prefix"/lib/cmake/nlopt/NLoptLibraryDepends*.cmake
  touch "$work/nlopt.done"
fi

if [[ ! -f "$work/googletest.done" ]]; then
  echo "install-windows-deps: cross-building GoogleTest"
  cross_cmake /usr/src/googletest "$work/googletest-build" -Dgtest_disable_pthreads=OFF
  touch "$work/googletest.done"
fi
