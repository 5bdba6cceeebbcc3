#!/usr/bin/env bash
# Runs the cross-built quorvel-tool.exe under Wine so that the tool tests can
# treat it as the native tool: same arguments, same exit code, and its output
# with the CR LF line ends of Windows text mode turned back into LF.
# Usage: run_tool.sh TOOL.exe ARGS...
exe=$1
shift
out=$(mktemp) && err=$(mktemp) || exit 125
WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "${QUORVEL_WINE:-/usr/lib/wine/wine64}" "$exe" "$@" >"$out" 2>"$err"
code=$?
tr -d '\r' <"$out"
tr -d '\r' <"$err" >&2
rm -f "$out" "$err"
exit "$code"
