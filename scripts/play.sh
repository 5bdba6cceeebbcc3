#!/usr/bin/env bash
# Installs what is missing, builds quorvel.exe, lays out the release package
# and starts the game from it under Wine. Without a display it plays on a
# virtual one and saves screenshots of what the game shows.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build-windows.sh
scripts/package.sh

export WINEPREFIX="${WINEPREFIX:-$HOME/.cache/quorvel-wine}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
wine=/usr/lib/wine/wine64
game_dir="$PWD/out/Quorvel"

prepare_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Preparing a Wine prefix in $WINEPREFIX (once, about ten seconds)..."
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1 || true
  fi
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  prepare_prefix
  echo "Starting Quorvel from $game_dir (F12 or Esc in the main menu then \"Exit Game\" to leave)."
  cd "$game_dir"
  exec "$wine" quorvel.exe
fi

echo "There is no display here, so Quorvel plays on a virtual one (Xvfb) and screenshots are saved instead."
exec python3 tests/e2e/headless_play.py --game-dir "$game_dir" --shots "$PWD/out"
