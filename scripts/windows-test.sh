#!/usr/bin/env bash
# Builds the Windows DLL, the runner and their tests with mingw-w64
# (build/windows) and runs them under Wine, in a Wine prefix of their own (build/wine-prefix). The
# TRAVOK host is compared with the Linux build's, so its Linux build
# (build/default) is made first.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
jobs="${JOBS:-2}"
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

bash scripts/install-windows-deps.sh

cmake --preset default "${launcher[@]}" >/dev/null
cmake --build --preset default --target travok_host --parallel "$jobs"

export WINEPREFIX="$repo/build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[[ -x "$wine" ]] || { echo "windows-test: Wine (wine64) is not installed" >&2; exit 1; }
# One Wine server for the whole run, so that each test program starts fast;
# it goes when the run ends, whichever way. (One already serving the prefix,
# from wineboot or an earlier run, is kept: --persistent then reports it.)
"$wine" wineboot --init >/dev/null 2>&1 || { echo "windows-test: Wine cannot start" >&2; exit 1; }
/usr/lib/wine/wineserver --persistent 2>/dev/null || true
trap '/usr/lib/wine/wineserver --kill >/dev/null 2>&1 || true' EXIT

cmake --preset windows "${launcher[@]}" >/dev/null
cmake --build --preset windows --parallel "$jobs"
ctest --preset windows
