#!/bin/sh
# Puts Quorvel in the desktop's application menu, started from this folder
# (where its labyrinths are), with its icon. Run it again after moving the folder.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
applications="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
mkdir -p "$applications"
sed -e "s|^Exec=quorvel |Exec=\"$here/quorvel\" |" -e "s|^Icon=quorvel\$|Icon=$here/quorvel.png|" \
    -e "/^Terminal=/i Path=$here" "$here/quorvel.desktop" > "$applications/quorvel.desktop"
echo "added: $applications/quorvel.desktop"
