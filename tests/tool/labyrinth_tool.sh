#!/usr/bin/env bash
# quorvel-tool check and generate, end to end: labyrinths drawn as text and
# turned into PNG and BMP files by ImageMagick, and the tool's own mazes,
# which ImageMagick reads back as a second opinion.
# Arguments: the tool, the source folder, a scratch folder.
set -u
TOOL=$1
SOURCE=$2
WORK=$3
rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK" || exit 1

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! command -v convert > /dev/null; then
    echo "ImageMagick's convert is needed for these tests"
    exit 1
fi

# run WANTED_EXIT COMMAND...: runs with stdout in out.txt and stderr in err.txt.
run() {
    local wanted=$1
    shift
    "$@" > out.txt 2> err.txt
    local got=$?
    if [ "$got" -ne "$wanted" ]; then
        fail "'$*' exited $got, wanted $wanted; stderr: $(head -c 300 err.txt)"
        return 1
    fi
    return 0
}

expect_line() {   # expect_line TEXT FILE: FILE has TEXT as a whole line
    grep -qxF -- "$1" "$2" || fail "no line '$1' in $2 ($(tr '\n' '|' < "$2" | head -c 400))"
}

# Text picture (one letter per cell) to a plain PPM: '#' black, S red,
# G green, '.' white, o orange, f dark blue-grey, b light blue; colours a
# paint program might leave: n and x near the start's red, m near the goal's
# green, y just too far from red.
picture_to_ppm() {
    awk 'BEGIN {
            c["#"] = "0 0 0"; c["S"] = "255 0 0"; c["G"] = "0 255 0"; c["."] = "255 255 255";
            c["o"] = "200 100 50"; c["f"] = "10 20 30"; c["b"] = "150 190 255"
            c["n"] = "254 1 0"; c["x"] = "247 0 0"; c["m"] = "1 250 3"; c["y"] = "255 9 0"
         }
         { rows[NR] = $0; if (length($0) > width) width = length($0) }
         END {
            print "P3"; print width, NR; print 255
            for (r = 1; r <= NR; r++) {
                line = ""
                for (i = 1; i <= width; i++) line = line c[substr(rows[r], i, 1)] " "
                print line
            }
         }' "$1" > "$2"
}

# Every way of storing the picture that the game reads, none written by quorvel.
make_images() {   # make_images NAME: NAME.txt to NAME-rgb.png, NAME-pal.png, NAME-24.bmp, NAME-pal.bmp
    picture_to_ppm "$1.txt" "$1.ppm"
    convert "$1.ppm" -strip png24:"$1-rgb.png"
    convert "$1.ppm" -strip png8:"$1-pal.png"
    convert "$1.ppm" -type TrueColor BMP3:"$1-24.bmp"
    convert "$1.ppm" -type Palette BMP3:"$1-pal.bmp"
}

printf 'w0 0 0\ns255 0 0\ng0 255 0\n.255 255 255\n' > Palette.txt

# --- check: a playable labyrinth, with an unlisted colour and two starts -------
cat > maze.txt << 'EOF'
#########
#S..#..o#
#.#.#.#.#
#.#...#G#
#o#####.#
#...S...#
#########
EOF
make_images maze
{
    tr 'o' 'a' < maze.txt
    echo "a: 200 100 50 (not in the palette, palette row 4)"
    echo "size: 9 x 7"
    echo "start cells: 2"
    echo "goal cells: 1"
    echo "start used: row 5, column 4 (the last of 2, row by row)"
    echo "colours not in the palette: 1"
    echo "  200 100 50: 2 cells, first at row 1, column 7"
    echo "goal reachable: yes"
    echo "route to the goal: 5 cells, par 0 mins 1 secs (at Speedlimit 10)"
    echo "unreachable open cells: 0"
    echo "playable"
} > maze.expected
for image in maze-rgb.png maze-pal.png maze-24.bmp maze-pal.bmp; do
    if run 0 "$TOOL" check "$image"; then
        diff -u maze.expected out.txt > /dev/null || fail "check $image printed: $(diff maze.expected out.txt)"
    fi
done

# --- check: labyrinths that load but cannot be played ---------------------------
# The gap between the start's room and the goal's is a corner only.
cat > corner.txt << 'EOF'
#####
#S###
##.G#
#####
EOF
cat > nogoal.txt << 'EOF'
#####
#S..#
#####
EOF
cat > empty.txt << 'EOF'
.....
.o...
EOF
for name in corner nogoal empty; do make_images "$name"; done
run 2 "$TOOL" check corner-rgb.png && {
    expect_line "goal reachable: no" out.txt
    expect_line "not playable: no goal cell can be reached from the start" out.txt
}
run 2 "$TOOL" check nogoal-24.bmp && {
    expect_line "goal cells: 0" out.txt
    expect_line "not playable: no goal cell" out.txt
}
run 2 "$TOOL" check empty-pal.png && {
    expect_line "start used: none" out.txt
    expect_line "not playable: no start cell, no goal cell" out.txt
    expect_line "  200 100 50: 1 cell, first at row 1, column 1" out.txt
    [ "$(head -n 2 out.txt | tr '\n' '|')" = "missing: no start cell|missing: no goal cell|" ] ||
        fail "missing kinds are not named before the grid: $(head -n 3 out.txt | tr '\n' '|')"
    grep -q "unreachable" out.txt && fail "reachability without a start: $(grep unreachable out.txt)"
}

# --- check: what an author needs to find the cell to fix -------------------------
# Start and goal drawn in colours that are off by a little (n, m, x) or by a
# little too much (y, 9 off on green): the near ones name the entry they miss.
cat > nearmiss.txt << 'EOF'
##########
#m.......#
#.######.#
#.#x#y##.#
#......nn#
#......n.#
##########
EOF
make_images nearmiss
cat > nearmiss.expected << 'EOF'
missing: no start cell
missing: no goal cell
##########
#a.......#
#.######.#
#.#b#c##.#
#......dd#
#......d.#
##########
a: 1 250 3 (not in the palette, palette row 7)
b: 247 0 0 (not in the palette, palette row 5)
c: 255 9 0 (not in the palette, palette row 6)
d: 254 1 0 (not in the palette, palette row 4)
size: 10 x 7
start cells: 0
goal cells: 0
start used: none
colours not in the palette: 4
  254 1 0: 3 cells, first at row 4, column 7; nearest s255 0 0 (start), off by 1 1 0
  247 0 0: 1 cell, first at row 3, column 3; nearest s255 0 0 (start), off by 8 0 0
  255 9 0: 1 cell, first at row 3, column 5
  1 250 3: 1 cell, first at row 1, column 1; nearest g0 255 0 (goal), off by 1 5 3
goal reachable: no
not playable: no start cell, no goal cell
EOF
for image in nearmiss-rgb.png nearmiss-24.bmp; do
    run 2 "$TOOL" check "$image" && { diff -u nearmiss.expected out.txt > /dev/null || fail "check $image: $(diff nearmiss.expected out.txt)"; }
done

# A tinted room walled off from the start: playable, but its cells are counted,
# and the room's palette entry is named under the grid.
cat > island.txt << 'EOF'
#########
#S..#bbb#
#.#.#bbb#
#..G#####
#########
EOF
make_images island
printf 'w0 0 0\ns255 0 0\ng0 255 0\n.255 255 255\nf150 190 255\n' > Rooms.txt
run 0 "$TOOL" check island-pal.png --palette Rooms.txt && {
    expect_line "#S..#aaa#" out.txt
    expect_line "a: f150 190 255 (palette row 4)" out.txt
    expect_line "unreachable open cells: 6, first at row 1, column 5" out.txt
    expect_line "colours not in the palette: 0" out.txt
    expect_line "playable" out.txt
}

# A palette saved on Windows, CR LF line ends, reads the same.
sed 's/$/\r/' Rooms.txt > RoomsCrLf.txt
cp out.txt island-lf.txt
run 0 "$TOOL" check island-pal.png --palette RoomsCrLf.txt && { cmp -s island-lf.txt out.txt || fail "a CR LF palette reads differently"; }

# Paths as a Windows user types them.
if [ -n "${QUORVEL_TOOL_UNDER_WINE:-}" ]; then
    mkdir -p 'sub dir'
    cp island-pal.png RoomsCrLf.txt 'sub dir/'
    run 0 "$TOOL" check 'sub dir\island-pal.png' --palette 'sub dir\RoomsCrLf.txt' && {
        cmp -s island-lf.txt out.txt || fail "backslash paths read differently"; }
    run 0 "$TOOL" generate 9 9 'sub dir\gen.png' --seed 3 --palette 'sub dir\RoomsCrLf.txt' &&
        { [ -f 'sub dir/gen.png' ] || fail "generate did not write to a backslash path"; }
    run 0 "$TOOL" info 'sub dir\island-pal.png'
fi

# --- check: labyrinths that cannot be loaded ------------------------------------
mkdir -p elsewhere
printf '# only a comment\nw1 2\n' > NoEntries.txt
printf 'not an image at all\n' > text.png
run 1 "$TOOL" check maze-rgb.png --palette Missing.txt && grep -q 'the palette file cannot be opened (palette "Missing.txt")' err.txt ||
    fail "missing palette not explained: $(cat err.txt)"
run 1 "$TOOL" check maze-rgb.png --palette NoEntries.txt && grep -q 'the palette file lists no colour' err.txt ||
    fail "empty palette not explained: $(cat err.txt)"
run 1 "$TOOL" check text.png && grep -q 'text.png: not a BMP or PNG image' err.txt || fail "unreadable image not explained: $(cat err.txt)"
run 1 "$TOOL" check gone.bmp && grep -q 'gone.bmp: cannot be opened' err.txt || fail "missing image not explained: $(cat err.txt)"
# "Palette.txt" is looked up in the current folder.
(cd elsewhere && run 1 "$TOOL" check ../maze-rgb.png) || fail "check found a palette outside the current folder"
run 1 "$TOOL" check

# A palette with 256 entries: the unlisted colour takes the last entry's kind.
{ printf 'w0 0 0\ns255 0 0\ng0 255 0\n.255 255 255\n'; for i in $(seq 1 252); do echo "w$i 7 7"; done; } > Full.txt
run 0 "$TOOL" check maze-24.bmp --palette Full.txt && {
    expect_line "  200 100 50: 2 cells, first at row 1, column 7 (palette full: drawn as palette row 255)" out.txt
    expect_line "unreachable open cells: 12, first at row 1, column 1" out.txt
    sed -n 2p out.txt | grep -qx '#S..#...#' || fail "orange cells of a full palette are not walls: $(sed -n 2p out.txt)"
}

# --- generate --------------------------------------------------------------------
# Reads a grid printed by check on stdin; prints "ok" when it is a perfect maze
# (open cells connected, one fewer edge between open cells than open cells)
# with one start and one goal at the two ends of a longest path.
perfect_maze() {
    awk 'function walk(from,    i, n, r, c, k, rr, cc, to, far) {
            delete dist; queue[0] = from; dist[from] = 0; n = 1; far = 0
            for (i = 0; i < n; i++) {
                r = int(queue[i] / w); c = queue[i] % w
                if (dist[queue[i]] > far) far = dist[queue[i]]
                for (k = 0; k < 4; k++) {
                    rr = r + dr[k]; cc = c + dc[k]
                    if (rr < 0 || cc < 0 || rr >= h || cc >= w || substr(grid[rr], cc + 1, 1) == "#") continue
                    to = rr * w + cc
                    if (!(to in dist)) { dist[to] = dist[queue[i]] + 1; queue[n++] = to }
                }
            }
            reached = n
            return far
         }
         /^size:/ { exit } { grid[NR - 1] = $0; h = NR; w = length($0) }
         END {
            split("-1 1 0 0", dr, " "); split("0 0 -1 1", dc, " ")
            dr[0] = dr[4]; dc[0] = dc[4]
            for (r = 0; r < h; r++) for (c = 0; c < w; c++) {
                ch = substr(grid[r], c + 1, 1)
                if (ch == "#") continue
                open++
                if (ch == "S") { s++; start = r * w + c }
                if (ch == "G") { g++; goal = r * w + c }
                if (c + 1 < w && substr(grid[r], c + 2, 1) != "#") edges++
                if (r + 1 < h && substr(grid[r + 1], c + 1, 1) != "#") edges++
            }
            if (s != 1 || g != 1) { print "starts " s " goals " g; exit }
            if (edges != open - 1) { print "edges " edges " open " open; exit }
            fromStart = walk(start)
            if (reached != open) { print "reached " reached " of " open; exit }
            apart = dist[goal]
            fromGoal = walk(goal)
            if (apart != fromStart || apart != fromGoal) { print "start and goal " apart " apart, longest path " fromGoal; exit }
            print "ok"
         }'
}

# What ImageMagick sees in a generated file, drawn the way check draws it.
imagemagick_grid() {
    convert "$1" -compress none ppm:- | tr -s ' \n' '\n\n' | awk '
        NR == 2 { w = $1 } NR <= 4 { next }
        { v[n++] = $1 }
        END {
            for (i = 0; i + 2 < n; i += 3) {
                rgb = v[i] " " v[i + 1] " " v[i + 2]
                ch = (rgb == "0 0 0") ? "#" : (rgb == "255 0 0") ? "S" : (rgb == "0 255 0") ? "G" : "."
                line = line ch
                if ((i / 3 + 1) % w == 0) { print line; line = "" }
            }
        }'
}

for size in "5 5" "21 11" "20 10" "6 7" "63 41" "64 48"; do
    for extension in png bmp PNG; do
        set -- $size
        tag=$extension
        [ "$extension" = PNG ] && tag=caps   # Windows names ignore case
        out="gen-$1x$2-$tag.$extension"
        run 0 "$TOOL" generate "$1" "$2" "$out" --seed 42 || continue
        [ "$(identify -format '%w %h' "$out")" = "$1 $2" ] || fail "$out: ImageMagick sees $(identify "$out")"
        run 0 "$TOOL" check "$out" || continue
        expect_line "size: $1 x $2" out.txt
        expect_line "colours not in the palette: 0" out.txt
        result=$(perfect_maze < out.txt)
        [ "$result" = ok ] || fail "$out is not a perfect maze: $result"
        head -n "$2" out.txt > check-grid.txt
        imagemagick_grid "$out" > im-grid.txt
        cmp -s check-grid.txt im-grid.txt || fail "$out: check and ImageMagick see different grids"
    done
done

# An even size keeps its size; the spare column and row are wall.
"$TOOL" check gen-20x10-png.png | head -n 10 | awk '{ if (substr($0, 19, 2) != "##") bad = 1 } NR >= 9 && $0 != "####################" { bad = 1 }
    END { exit bad }' || fail "the spare column and row of an even-sized maze are not wall"

# The same seed gives the same file; another seed another maze.
"$TOOL" generate 31 31 again.png --seed 42 > /dev/null
"$TOOL" generate 31 31 first.png --seed 42 > /dev/null
"$TOOL" generate 31 31 other.png --seed 43 > /dev/null
cmp -s again.png first.png || fail "the same seed gave different files"
cmp -s first.png other.png && fail "seeds 42 and 43 gave the same file"
run 0 "$TOOL" generate 9 9 clock.png && grep -q 'seed [0-9]' out.txt || fail "the seed taken from the clock is not printed"

# Colours: the first "w", "s", "g" entries and the first other entry for the floor.
printf 'x1 1 1\nw9 9 9\ns200 0 0\nw0 0 0\ng0 0 200\nf10 20 30\n.255 255 255\n' > Colours.txt
run 0 "$TOOL" generate 7 7 colours.png --palette Colours.txt --seed 1
convert colours.png -unique-colors -compress none ppm:- | tail -n +4 | tr -s ' \n' '\n\n' | grep -v '^$' |
    paste -d' ' - - - | sort > colours-used.txt
printf '0 0 200\n1 1 1\n200 0 0\n9 9 9\n' | sort > colours-wanted.txt
cmp -s colours-used.txt colours-wanted.txt || fail "generate used colours: $(tr '\n' '|' < colours-used.txt)"
run 0 "$TOOL" check colours.png --palette Colours.txt
printf 'w0 0 0\ns255 0 0\ng0 255 0\n' > NoFloor.txt
run 0 "$TOOL" generate 7 7 white.bmp --palette NoFloor.txt --seed 1 &&
    convert white.bmp -unique-colors -compress none ppm:- | grep -q '255 255 255' || fail "no white floor without a floor entry"
run 0 "$TOOL" check white.bmp --palette NoFloor.txt

# Refusals.
printf 'w0 0 0\ng0 255 0\n' > NoStart.txt
printf 'w0 0 0\ns0 0 0\ng0 255 0\n' > Shadowed.txt
printf 'w0 0 0\ns255 0 0\ng0 255 0\nw255 255 255\n' > WhiteWall.txt
run 1 "$TOOL" generate 9 9 x.png --palette NoStart.txt && grep -q 'no "s" entry' err.txt || fail "missing start entry: $(cat err.txt)"
run 1 "$TOOL" generate 9 9 x.png --palette Shadowed.txt && grep -q 'start colour 0 0 0 belongs to an earlier wall' err.txt ||
    fail "shadowed start colour: $(cat err.txt)"
run 1 "$TOOL" generate 9 9 x.png --palette WhiteWall.txt && grep -q 'floor colour 255 255 255' err.txt ||
    fail "white floor listed as wall: $(cat err.txt)"
run 1 "$TOOL" generate 9 9 x.png --palette Missing.txt
run 1 "$TOOL" generate 9 9 no-such-folder/x.png
[ -e x.png ] && fail "a refused generate left x.png behind"
for arguments in "4 9 x.png" "9 4 x.png" "0 9 x.png" "9 9 x.gif" "9 9" "4097 9 x.png" "9 -9 x.png" "9x 9 x.png" \
    "9 9 x.png --seed -1" "9 9 x.png --seed" "9 9 x.png --colour red"; do
    run 2 "$TOOL" generate $arguments
done
run 0 "$TOOL" generate --help && grep -q 'even size' out.txt || fail "generate --help says nothing of even sizes"
run 0 "$TOOL" check --help

# A plain maze is the same file, seed for seed, as before --loops and --rooms came.
for reference in perfect-21x11-seed42.png perfect-20x10-seed7.bmp perfect-41x31-seed1234567.png; do
    size=${reference#perfect-}; size=${size%%-*}; seed=${reference##*seed}; seed=${seed%.*}
    run 0 "$TOOL" generate "${size%x*}" "${size#*x}" "again-$reference" --seed "$seed" --palette "$SOURCE/data/Palette.txt" &&
        { cmp -s "again-$reference" "$SOURCE/tests/tool/data/$reference" || fail "$reference is no longer made by its seed"; }
done

# Loops and rooms, with the bundled palette's tinted floors: whatever the
# seed, check finds the labyrinth playable with every open cell reachable.
cp "$SOURCE/data/Palette.txt" Bundled.txt
looped=0
roomy=0
for seed in $(seq 1 50); do
    for variety in "--loops 25" "--rooms 4"; do
        # shellcheck disable=SC2086
        run 0 "$TOOL" generate 25 17 variety.png --seed "$seed" --palette Bundled.txt $variety || continue
        run 0 "$TOOL" check variety.png --palette Bundled.txt || { cp variety.png "unplayable-$seed.png"; continue; }
        expect_line "unreachable open cells: 0" out.txt
        expect_line "start cells: 1" out.txt
        case $variety in
            --loops*) [ "$(perfect_maze < out.txt)" = ok ] || looped=$((looped + 1)) ;;
            --rooms*) grep -Eqx '[a-c]: f(150 190 255|255 220 150|170 255 190) \(palette row [4-6]\)' out.txt &&
                ! grep -q '(not in the palette' out.txt && roomy=$((roomy + 1)) ;;
        esac
    done
done
[ "$looped" -eq 50 ] || fail "only $looped of 50 mazes with --loops have a loop"
[ "$roomy" -eq 50 ] || fail "only $roomy of 50 mazes with --rooms show their tints"
# Both at once, and the share asked for: 0 changes nothing, 100 leaves no wall between passages.
run 0 "$TOOL" generate 25 17 both.png --seed 9 --loops 10 --rooms 2 --palette Bundled.txt &&
    run 0 "$TOOL" check both.png --palette Bundled.txt
run 0 "$TOOL" generate 25 17 zero.png --seed 9 --loops 0 --rooms 0 --palette Bundled.txt &&
    "$TOOL" generate 25 17 plain.png --seed 9 --palette Bundled.txt > /dev/null &&
    { cmp -s zero.png plain.png || fail "--loops 0 --rooms 0 changed the maze"; }
run 0 "$TOOL" generate 25 17 all.png --seed 9 --loops 100 --palette Bundled.txt &&
    run 0 "$TOOL" check all.png --palette Bundled.txt && {
    sed -n '2,16p' out.txt | awk 'NR % 2 == 1 { for (c = 3; c <= 23; c += 2) if (substr($0, c, 1) == "#") bad = 1 }
        NR % 2 == 0 { for (c = 2; c <= 24; c += 2) if (substr($0, c, 1) == "#") bad = 1 } END { exit bad }' ||
        fail "--loops 100 left walls between passages: $(head -4 out.txt | tr '\n' '|')"
}
for arguments in "9 9 x.png --loops 101" "9 9 x.png --loops -1" "9 9 x.png --rooms 1001" "9 9 x.png --rooms" "9 9 x.png --loops ten"; do
    run 2 "$TOOL" generate $arguments
done

# The player starts looking up the picture: whenever the start has a wall
# above it, the goal (the longest path's other end) must have one as well.
for seed in 1 2 3 4 5 6 7 8 9 10 11 12; do
    run 0 "$TOOL" generate 15 15 facing.png --palette Palette.txt --seed $seed
    run 0 "$TOOL" check facing.png --palette Palette.txt
    awk -v seed=$seed '/^[#.SG]+$/ { rows[n++] = $0 }
        END {
            for (r = 0; r < n; ++r) {
                s = index(rows[r], "S"); g = index(rows[r], "G")
                if (s) startBlocked = (r == 0 || substr(rows[r - 1], s, 1) == "#")
                if (g) goalBlocked = (r == 0 || substr(rows[r - 1], g, 1) == "#")
            }
            if (startBlocked && !goalBlocked) { print "seed " seed ": start faces a wall, goal would not"; exit 1 }
        }' out.txt || fail "generate put the start facing a wall (seed $seed)"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all labyrinth tool tests passed"
