#!/usr/bin/env bash
# Runs the cross-built quorvel-tool.exe under Wine so that the tool tests can
# treat it as the native tool: same arguments, same exit code, and its output
# with the CR LF line ends of Windows text mode turned back into LF.
# Usage: run_tool.sh TOOL.exe ARGS...
exe=$1
shift
out=$(mktemp) && err=$(mktemp) || exit 125
# A program started just as the idle wineserver shuts down is refused with
# "wine client error"; that is Wine, not the tool, and a second try works.
for attempt in 1 2 3; do
    WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "${QUORVEL_WINE:-/usr/lib/wine/wine64}" "$exe" "$@" >"$out" 2>"$err"
    code=$?
    grep -q '^wine client error' "$err" || break
done
tr -d '\r' <"$out"
tr -d '\r' <"$err" >&2
rm -f "$out" "$err"
exit "$code"
