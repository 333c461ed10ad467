#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds Folian and starts it, with the
# library given as the first argument when there is one:
#   scripts/run.sh [LIBRARY.fln]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/install-deps.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No desktop session found (DISPLAY and WAYLAND_DISPLAY are unset); Folian needs one to show its windows." >&2
  exit 1
fi
cmake -S . -B build-run -G Ninja -DFOLIAN_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-run --target folian
args=()
if [ $# -gt 0 ]; then
  args+=("$(realpath -m -- "$1")")
fi
exec build-run/folian "${args[@]}"
