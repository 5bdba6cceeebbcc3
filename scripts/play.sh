#!/usr/bin/env bash
# Installs what is missing, builds the game, lays out its release package and
# starts it from there: the native Linux build, or with --windows quorvel.exe
# under Wine. Without a display it plays on a virtual one and saves
# screenshots of what the game shows.
set -euo pipefail
cd "$(dirname "$0")/.."

windows=0
case "${1:-}" in
  --windows) windows=1 ;;
  "") ;;
  *) echo "usage: scripts/play.sh [--windows]" >&2; exit 2 ;;
esac

scripts/install-deps.sh
if [ "$windows" -eq 1 ]; then
  scripts/build-windows.sh
  game_dir="$PWD/out/Quorvel"
  program=quorvel.exe
else
  scripts/build-linux.sh
  game_dir="$PWD/out/quorvel-linux"
  program=quorvel
fi
scripts/package.sh

export WINEPREFIX="${WINEPREFIX:-$HOME/.cache/quorvel-wine}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
wine=/usr/lib/wine/wine64

prepare_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Preparing a Wine prefix in $WINEPREFIX (once, about ten seconds)..."
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1 || true
  fi
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting Quorvel from $game_dir (F12 or Esc in the main menu then \"Exit Game\" to leave)."
  cd "$game_dir"
  if [ "$windows" -eq 1 ]; then
    prepare_prefix
    exec "$wine" "$program"
  fi
  exec "./$program"
fi

echo "There is no display here, so Quorvel plays on a virtual one (Xvfb) and screenshots are saved instead."
exec python3 tests/e2e/headless_play.py --game-dir "$game_dir" --program "$program" --shots "$PWD/out"
