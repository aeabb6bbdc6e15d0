#!/usr/bin/env bash
# Installs what the Windows build needs and the default install-deps.sh leaves
# out: the mingw-w64 cross compilers, Wine, and (cross-built from Debian's
# source packages into build/windows-deps/prefix, never committed) the
# libraries that Debian ships only for Linux: NLopt, GoogleTest, SQLite,
# muparser and the header-only form of cpp-httplib (Debian's Linux package is
# a compiled library). Eigen, Boost, CLI11 and nlohmann-json are header-only
# and are used from the build machine. Does nothing that is already done, so
# it is safe to run before every Windows build.
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
  libcli11-dev
  nlohmann-json3-dev
  cmake
  make
  tcl
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

# Unpacks Debian's source package $1 (the release the Linux build uses) into
# $work/$1-src and prints the folder it made.
debian_source() {
  if ! apt-get source --print-uris "$1" >/dev/null 2>&1; then
    echo "install-windows-deps: adding Debian's source archive to apt" >&2
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      "${as_root[@]}" tee /etc/apt/sources.list.d/varno-deb-src.sources >/dev/null
    apt_get update -q >&2
  fi
  rm -rf "$work/$1-src"
  mkdir -p "$work/$1-src"
  (cd "$work/$1-src" && apt-get source -q "$1" >/dev/null 2>&1) || {
    echo "install-windows-deps: cannot fetch Debian's source of $1" >&2
    return 1
  }
  local source_dir
  source_dir="$(find "$work/$1-src" -mindepth 1 -maxdepth 1 -type d | head -n 1)"
  echo "install-windows-deps: cross-building $(basename "$source_dir")" >&2
  echo "$source_dir"
}

if [[ ! -f "$work/nlopt.done" ]]; then
  source_dir="$(debian_source nlopt)"
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

if [[ ! -f "$work/sqlite3.done" ]]; then
  # The source tree makes its single-file form (sqlite3.c) with build-machine
  # tools and tclsh; that one file is the whole library.
  source_dir="$(debian_source sqlite3)"
  rm -rf "$work/sqlite3-build"
  mkdir -p "$work/sqlite3-build"
  (cd "$work/sqlite3-build" && nice -n 10 "$source_dir/configure" --disable-tcl >/dev/null &&
    nice -n 10 make sqlite3.c >/dev/null)
  nice -n 10 x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION \
    -c "$work/sqlite3-build/sqlite3.c" -o "$work/sqlite3-build/sqlite3.o"
  mkdir -p "$prefix/lib"
  rm -f "$prefix/lib/libsqlite3.a"
  x86_64-w64-mingw32-gcc-ar-posix rcs "$prefix/lib/libsqlite3.a" "$work/sqlite3-build/sqlite3.o"
  cp "$work/sqlite3-build/sqlite3.h" "$source_dir/src/sqlite3ext.h" "$prefix/include/"
  touch "$work/sqlite3.done"
fi

if [[ ! -f "$work/muparser.done" ]]; then
  source_dir="$(debian_source muparser)"
  cross_cmake "$source_dir" "$work/muparser-build" -DENABLE_OPENMP=OFF -DENABLE_SAMPLES=OFF \
    -DBUILD_TESTING=OFF
  touch "$work/muparser.done"
fi

if [[ ! -f "$work/cpp-httplib.done" ]]; then
  # The header-only form, without TLS or compression (the dashboard serves
  # plain HTTP on the local machine).
  source_dir="$(debian_source cpp-httplib)"
  cross_cmake "$source_dir" "$work/cpp-httplib-build" -DHTTPLIB_COMPILE=OFF \
    -DHTTPLIB_USE_OPENSSL_IF_AVAILABLE=OFF -DHTTPLIB_USE_ZLIB_IF_AVAILABLE=OFF \
    -DHTTPLIB_USE_BROTLI_IF_AVAILABLE=OFF
  touch "$work/cpp-httplib.done"
fi

# CLI11 and nlohmann-json: their headers and package files, which find the
# headers relative to where they lie, so under the prefix they name the
# prefix's include folder and not the build machine's /usr/include.
for header_dir in CLI nlohmann; do
  ln -sfn "/usr/include/$header_dir" "$prefix/include/$header_dir"
done
mkdir -p "$prefix/share/cmake"
for package_dir in CLI11 nlohmann_json; do
  rm -rf "$prefix/share/cmake/$package_dir"
  cp -r "/usr/share/cmake/$package_dir" "$prefix/share/cmake/$package_dir"
done
