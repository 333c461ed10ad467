#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds Folian and starts it, with the
# library given as the first argument when there is one:
#   scripts/run.sh [LIBRARY.fln]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/install-deps.sh
# Qt's own dialog texts in Japanese, like the rest of the program.
if ! dpkg-query -W -f='${Status}' qt6-translations-l10n 2>/dev/null | grep -q 'install ok installed'; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y qt6-translations-l10n
fi
cmake -S . -B build-run -G Ninja -DFOLIAN_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-run --target folian
args=()
if [ $# -gt 0 ]; then
  args+=("$(realpath -m -- "$1")")
fi
exec build-run/folian "${args[@]}"
