#!/usr/bin/env bash
# quorvel-tool info and decode end to end: pictures written by ImageMagick go
# through the tool, and the PAM it writes must hold exactly the pixels
# ImageMagick reads from the same picture.
# Arguments: the tool, the source folder, a scratch folder.
set -u

tool=${1:?tool path}
source_dir=${2:?source folder}
scratch=${3:?scratch folder}
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! command -v convert >/dev/null 2>&1; then
    echo "SKIP: ImageMagick's convert is not on PATH"
    exit 0
fi

rm -rf "$scratch"
mkdir -p "$scratch" || exit 1
cd "$scratch" || exit 1

# Little-endian field of a file, in decimal: le FILE OFFSET BYTES
le() { od -An -tu"$3" -j"$2" -N"$3" "$1" | tr -d ' '; }
# One byte of a file: byte FILE OFFSET
byte() { od -An -tu1 -j"$2" -N1 "$1" | tr -d ' '; }

# expect_exit WHAT CODE COMMAND...: runs the command, checks its exit code.
expect_exit() {
    local what=$1 code=$2
    shift 2
    "$@" >out.txt 2>err.txt
    local got=$?
    [ "$got" -eq "$code" ] || fail "$what: exit $got, expected $code ($(head -c 200 err.txt))"
}

# check_image WHAT FILE ORACLE READER DEPTH TUPLTYPE RAWFORMAT: info names the
# reader, size, components and format; decode writes the PAM header and then
# exactly the bytes ImageMagick gives from ORACLE for RAWFORMAT (gray, graya,
# rgb, rgba).
check_image() {
    local what=$1 file=$2 oracle=$3 reader=$4 depth=$5 tupltype=$6 raw=$7
    local size width height format
    size=$(convert "$oracle" -format '%w %h' info:) || { fail "$what: ImageMagick cannot read it"; return; }
    width=${size% *}
    height=${size#* }
    case $depth in
        1) format=GL_LUMINANCE ;;
        2) format=GL_LUMINANCE_ALPHA ;;
        3) format=GL_RGB ;;
        4) format=GL_RGBA ;;
    esac
    expect_exit "$what: info" 0 "$tool" info "$file"
    printf 'reader: %s\nwidth: %s\nheight: %s\ncomponents: %s\nformat: %s\n' \
        "$reader" "$width" "$height" "$depth" "$format" >info.expected
    head -n 5 out.txt | cmp -s - info.expected || fail "$what: info printed $(tr '\n' ' ' <out.txt)"

    rm -f out.pam
    expect_exit "$what: decode" 0 "$tool" decode "$file" out.pam
    printf 'P7\nWIDTH %s\nHEIGHT %s\nDEPTH %s\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n' \
        "$width" "$height" "$depth" "$tupltype" >expected.pam
    convert "$oracle" -depth 8 "$raw:-" >>expected.pam || { fail "$what: ImageMagick cannot convert it"; return; }
    cmp -s out.pam expected.pam || fail "$what: PAM differs ($(cmp out.pam expected.pam 2>&1 | head -1))"
}

# expect_encoding WHAT FILE LINES...: info tells how the file is stored in
# exactly these lines, after the five check_image looks at.
expect_encoding() {
    local what=$1 file=$2
    shift 2
    expect_exit "$what: info" 0 "$tool" info "$file"
    printf '%s\n' "$@" >encoding.expected
    tail -n +6 out.txt | cmp -s - encoding.expected || fail "$what: info told $(tail -n +6 out.txt | tr '\n' '|')"
}

# --- BMP ------------------------------------------------------------------
# Sources with few enough colours that the palette kinds keep them exactly;
# the narrow one has rows shorter than ImageMagick's RLE8 runs with padding.
convert -seed 7 -size 13x7 plasma:fractal -depth 8 many13.ppm
convert -seed 8 -size 1x20 plasma:fractal -depth 8 many1.ppm
convert many13.ppm -colors 16 -depth 8 sixteen13.ppm
convert many1.ppm -colors 16 -depth 8 sixteen1.ppm

# name | source | picture options | writer | bit count | info header size | compression
bmp_kinds="1-bit|many|-monochrome|BMP3:|1|40|none
4-bit|sixteen|-type palette|-compress None BMP3:|4|40|none
8-bit|many|-type palette|-compress None BMP3:|8|40|none
RLE8|many|-type palette|-compress RLE BMP3:|8|40|RLE8
24-bit|many|-type truecolor|BMP3:|24|40|none
24-bit BMP5 header|many|-type truecolor|BMP:|24|124|none
RLE8 BMP5 header|many|-type palette|-compress RLE BMP:|8|124|RLE8"

for w in 13 1; do
    while IFS='|' read -r name source picture writer bits header compression; do
        what="BMP $name, $w wide"
        # shellcheck disable=SC2086  # the option lists are meant to split
        convert "$source$w.ppm" $picture -depth 8 picture.ppm &&
            convert picture.ppm $picture $writer"picture.bmp" || { fail "$what: cannot be made"; continue; }
        [ "$(le picture.bmp 28 2)" = "$bits" ] || fail "$what: ImageMagick wrote $(le picture.bmp 28 2) bits"
        [ "$(le picture.bmp 14 4)" = "$header" ] || fail "$what: ImageMagick wrote a $(le picture.bmp 14 4)-byte header"
        # The oracle is the prepared picture itself, not ImageMagick's reading
        # of the bitmap, which skews narrow RLE8 files.
        check_image "$what" picture.bmp picture.ppm BMP 3 RGB rgb
        # The table holds the colours in use when the header counts them, else 2^bits.
        table=$(le picture.bmp 46 4)
        [ "$bits" -le 8 ] && [ "$table" = 0 ] && table=$((1 << bits))
        expect_encoding "$what" picture.bmp "bits per pixel: $bits" "compression: $compression" \
            "colour table: $table entries" "rows: bottom-up" "info header: $header bytes"
    done <<<"$bmp_kinds"
done

# ImageMagick writes bottom-up rows only; the top-down one is hand-made.
top_down="$source_dir/fuzz/corpus/bmp/top_down_8bit.bmp"
expect_exit "info of a top-down BMP" 0 "$tool" info "$top_down"
grep -qx 'rows: top-down' out.txt || fail "top-down BMP: info told $(tr '\n' '|' <out.txt)"

# Kinds the reader refuses: the 12-byte core header and 32-bit pixels.
convert many13.ppm BMP2:core.bmp
convert many13.ppm -alpha set -channel A -fx 0.5 BMP:alpha32.bmp
[ "$(le core.bmp 14 4)" = 12 ] || fail "BMP2 did not give a core header"
[ "$(le alpha32.bmp 28 2)" = 32 ] || fail "the alpha bitmap is not 32-bit"
printf 'not an image\n' >text.txt
for refused in core.bmp alpha32.bmp text.txt; do
    expect_exit "info $refused" 1 "$tool" info "$refused"
    [ "$(wc -l <err.txt)" -eq 1 ] || fail "info $refused: reason is not one line"
    rm -f refused.pam
    expect_exit "decode $refused" 1 "$tool" decode "$refused" refused.pam
    [ -e refused.pam ] && fail "decode $refused: wrote a file"
done
# A refused file gets the check that refused it, and what its header says.
expect_exit "info core.bmp" 1 "$tool" info core.bmp
grep -q 'core.bmp: old 12-byte BMP core header$' err.txt || fail "core.bmp: reason $(cat err.txt)"
grep -qx 'info header: 12 bytes' out.txt || fail "core.bmp: info told $(tr '\n' '|' <out.txt)"
expect_exit "info alpha32.bmp" 1 "$tool" info alpha32.bmp
grep -q 'alpha32.bmp: unsupported ' err.txt || fail "alpha32.bmp: reason $(cat err.txt)"
grep -qx 'bits per pixel: 32' out.txt || fail "alpha32.bmp: info told $(tr '\n' '|' <out.txt)"
expect_exit "info text.txt" 1 "$tool" info text.txt
grep -q 'text.txt: not a BMP or PNG image$' err.txt || fail "text.txt: reason $(cat err.txt)"
[ -s out.txt ] && fail "text.txt: info told $(cat out.txt)"
expect_exit "info of a missing file" 1 "$tool" info missing.bmp
grep -q 'missing.bmp: cannot be opened$' err.txt || fail "missing.bmp: reason $(cat err.txt)"
expect_exit "decode of a missing file" 1 "$tool" decode missing.bmp refused.pam

# --- usage and output errors ---------------------------------------------
convert many13.ppm -type truecolor BMP3:good.bmp
expect_exit "--help" 0 "$tool" --help
grep -q 'info IMAGE' out.txt && grep -q 'decode IMAGE OUT.pam' out.txt || fail "--help does not describe info and decode"
expect_exit "info --help" 0 "$tool" info --help
expect_exit "decode --help" 0 "$tool" decode --help
expect_exit "info without an image" 2 "$tool" info
expect_exit "info with two images" 2 "$tool" info good.bmp good.bmp
expect_exit "decode without an output" 2 "$tool" decode good.bmp
expect_exit "decode with too many arguments" 2 "$tool" decode good.bmp a.pam b.pam
expect_exit "decode into a missing folder" 2 "$tool" decode good.bmp no/such/folder/out.pam
[ -e no ] && fail "decode into a missing folder created something"

# --- PNG ------------------------------------------------------------------
# name | options making the PNG | bit depth | colour type | PAM depth | tuple type | raw format
convert many13.ppm \( many13.ppm -channel G -separate \) -compose CopyOpacity -composite -depth 8 alpha13.png
png_kinds="grey|many13.ppm -colorspace Gray -define png:color-type=0 -define png:bit-depth=8 PNG:|8|0|1|GRAYSCALE|gray
grey 1-bit|many13.ppm -colorspace Gray -depth 1 PNG:|1|0|1|GRAYSCALE|gray
grey 2-bit|many13.ppm -colorspace Gray -depth 2 PNG:|2|0|1|GRAYSCALE|gray
grey 4-bit|many13.ppm -colorspace Gray -depth 4 PNG:|4|0|1|GRAYSCALE|gray
grey+alpha|alpha13.png -colorspace Gray -define png:color-type=4 -define png:bit-depth=8 PNG:|8|4|2|GRAYSCALE_ALPHA|graya
RGB|many13.ppm PNG24:|8|2|3|RGB|rgb
RGBA|alpha13.png PNG32:|8|6|4|RGB_ALPHA|rgba
palette 8-bit|many13.ppm -colors 60 PNG8:|8|3|3|RGB|rgb
palette 1-bit|many13.ppm -colors 2 -define png:bit-depth=1 PNG8:|1|3|3|RGB|rgb
palette 2-bit|many13.ppm -colors 4 -define png:bit-depth=2 PNG8:|2|3|3|RGB|rgb
palette 4-bit|many13.ppm -colors 16 -define png:bit-depth=4 PNG8:|4|3|3|RGB|rgb"

while IFS='|' read -r name make depth colour components tupltype raw; do
    what="PNG $name"
    # shellcheck disable=SC2086
    convert $make"picture.png" || { fail "$what: cannot be made"; continue; }
    [ "$(byte picture.png 24)/$(byte picture.png 25)" = "$depth/$colour" ] ||
        fail "$what: ImageMagick wrote depth/colour type $(byte picture.png 24)/$(byte picture.png 25)"
    check_image "$what" picture.png picture.png PNG "$components" "$tupltype" "$raw"
    case $colour in 0) name=grey ;; 2) name=RGB ;; 3) name=palette ;; 4) name="grey + alpha" ;; 6) name=RGBA ;; esac
    expect_encoding "$what" picture.png "colour type: $colour ($name)" "bit depth: $depth" "IDAT chunks: 1" "interlace: none"
done <<<"$png_kinds"

# PNGs the decoder refuses still have their header told.
convert many13.ppm -interlace PNG PNG24:interlaced.png
convert many13.ppm -depth 16 PNG48:deep.png
for refused in "interlaced.png|interlaced (Adam7) image|interlace: Adam7" \
    "deep.png|more than 8 bits per sample|bit depth: 16"; do
    IFS='|' read -r file reason told <<<"$refused"
    expect_exit "info $file" 1 "$tool" info "$file"
    grep -q "$file: $reason\$" err.txt || fail "$file: reason $(cat err.txt)"
    grep -qx "$told" out.txt || fail "$file: info told $(tr '\n' '|' <out.txt)"
done

# Large enough that the encoder splits the image data over several IDAT chunks.
convert -seed 3 -size 128x96 xc: +noise Random -depth 8 PNG24:big.png
[ "$(LC_ALL=C grep -a -o IDAT big.png | wc -l)" -gt 1 ] || fail "big.png has a single IDAT chunk"
check_image "PNG in several IDAT chunks" big.png big.png PNG 3 RGB rgb
expect_encoding "PNG in several IDAT chunks" big.png "colour type: 2 (RGB)" "bit depth: 8" \
    "IDAT chunks: $(LC_ALL=C grep -a -o IDAT big.png | wc -l)" "interlace: none"
head -c 300 big.png >cut.png
expect_exit "info of a cut PNG" 1 "$tool" info cut.png
grep -qx 'chunks: the file ends before IEND' out.txt || fail "cut.png: info told $(tr '\n' '|' <out.txt)"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all image tool checks passed"
