#!/usr/bin/env bash
# Every bundled labyrinth must load and be solvable, and every bundled
# texture must decode, exactly as the game reads them.
# Arguments: quorvel-tool, source folder, scratch folder.
set -u
tool="$1"; source="$2"; scratch="$3"
failures=0
cd "$source/data" || exit 1

count=0
for labyrinth in Labyrinths/*; do
  count=$((count + 1))
  if ! output=$("$tool" check "$labyrinth" 2>&1); then
    echo "FAIL: $labyrinth is not playable:"; echo "$output" | tail -5
    failures=$((failures + 1))
  fi
done
if [ "$count" -lt 10 ]; then
  echo "FAIL: only $count bundled labyrinths"; failures=$((failures + 1))
fi

# The set must exercise every reader: look at what each file really is.
# info must also tell how each one is stored.
kinds=""
for labyrinth in Labyrinths/*; do
  told=$("$tool" info "$labyrinth")
  kinds="$kinds $(echo "$told" | head -1)"
  case "$told" in
    *"reader: BMP"*"bits per pixel: "*"compression: "*"colour table: "*"rows: "*) ;;
    *"reader: PNG"*"colour type: "*"bit depth: "*"IDAT chunks: "*"interlace: none"*) ;;
    *) echo "FAIL: info does not tell how $labyrinth is stored: $(echo "$told" | tr '\n' '|')"; failures=$((failures + 1));;
  esac
done
for reader in PNG BMP; do
  case "$kinds" in *"$reader"*) ;; *) echo "FAIL: no labyrinth read by the $reader reader"; failures=$((failures + 1));; esac
done

for texture in Images/Wall.png Images/Ceiling.png Images/Floor.png; do
  if ! "$tool" info "$texture" >/dev/null 2>&1; then
    echo "FAIL: $texture does not decode"; failures=$((failures + 1))
  fi
done

# Palette.txt must define the three kinds the game needs.
for kind in w s g; do
  grep -q "^$kind[0-9]" Palette.txt || { echo "FAIL: Palette.txt defines no '$kind' entry"; failures=$((failures + 1)); }
done

[ "$failures" -eq 0 ] && echo "bundled content: $count labyrinths playable, textures decode"
[ "$failures" -eq 0 ]
