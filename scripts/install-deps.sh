#!/usr/bin/env bash
# Installs the Debian packages that building and testing VARNO needs, but only
# those that are missing. Prints nothing and changes nothing when all are
# present, so it is safe to run before every build.
set -euo pipefail

packages=(
  cmake
  make
  gcc
  g++
  binutils
  pkg-config
  libgtest-dev
  libgmock-dev
  libeigen3-dev
  libboost-dev
  libnlopt-cxx-dev
  libbenchmark-dev
  libcli11-dev
  nlohmann-json3-dev
  libsqlite3-dev
  libcpp-httplib-dev
  libmuparser-dev
  python3-pip
  python3-setuptools
  python3-wheel
  locales
  clang-format
  clang
  libclang-rt-14-dev
  # The executor tests: a one-node Slurm cluster and a Dask cluster.
  munge
  slurmctld
  slurmd
  slurm-client
  python3-distributed
  # The dashboard test drives a real headless browser.
  chromium
)

is_installed() {
  [[ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true)" == installed ]]
}

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
  echo "install-deps: this script needs a Debian-based system (dpkg-query and apt-get)." >&2
  exit 1
fi

as_root=()
if [[ "$(id -u)" -ne 0 ]] && command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
fi

# The tests check that numbers are read and written the same under a host
# locale with a decimal comma; they need one such locale on the machine.
ensure_comma_locale() {
  locale -a 2>/dev/null | grep -qix 'de_DE.utf8' && return 0
  echo "install-deps: generating the de_DE.UTF-8 locale for the tests"
  "${as_root[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
}

missing=()
for package in "${packages[@]}"; do
  is_installed "$package" || missing+=("$package")
done
if [[ ${#missing[@]} -eq 0 ]]; then
  ensure_comma_locale
  exit 0
fi

if [[ "$(id -u)" -ne 0 && ${#as_root[@]} -eq 0 ]]; then
  echo "install-deps: missing packages (${missing[*]}), and sudo is not available to install them." >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -q --no-install-recommends "${missing[@]}"

still_missing=()
for package in "${missing[@]}"; do
  is_installed "$package" || still_missing+=("$package")
done
if [[ ${#still_missing[@]} -ne 0 ]]; then
  echo "install-deps: could not install ${still_missing[*]}" >&2
  exit 1
fi
ensure_comma_locale
