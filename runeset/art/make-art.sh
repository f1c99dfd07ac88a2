#!/bin/sh
# Regenerates every icon and bitmap of Runeset and Runestop from the sources kept in
# runeset/art/src and runestop/art/src. The generated files are committed, so a build never
# needs this script or its tools (rsvg-convert, ImageMagick convert, icotool).
#
#   runeset/art/make-art.sh          rebuild all .ico and .bmp files
#   runeset/art/make-art.sh fetch    first copy the Tango pictures into src/ again
#                                    (TANGO=/path/to/Tango overrides the theme folder)
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
RS=$HERE                      # runeset/art
RT=$HERE/../../runestop/art   # runestop/art
RT=$(cd "$RT" && pwd)
TANGO=${TANGO:-/usr/share/icons/Tango}

# Tango pictures in use: theme-relative path without size folder and extension.
TANGO_RS="categories/applications-system apps/preferences-system-windows devices/battery
devices/media-optical status/audio-volume-high apps/accessories-text-editor
mimetypes/x-office-document apps/utilities-terminal categories/applications-graphics
categories/applications-multimedia apps/preferences-desktop-screensaver
actions/window-new apps/preferences-desktop-keyboard-shortcuts"
TANGO_RS_SVG="categories/applications-system apps/preferences-desktop-keyboard-shortcuts"
TANGO_RT="actions/process-stop"

if [ "${1:-}" = fetch ]; then
    for p in $TANGO_RS; do
        n=$(basename "$p")
        cp -L "$TANGO/16x16/$p.png" "$RS/src/$n-16.png"
        cp -L "$TANGO/32x32/$p.png" "$RS/src/$n-32.png"
    done
    for p in $TANGO_RS_SVG; do cp -L "$TANGO/scalable/$p.svg" "$RS/src/$(basename "$p").svg"; done
    for p in $TANGO_RT; do
        n=$(basename "$p")
        cp -L "$TANGO/16x16/$p.png" "$RT/src/$n-16.png"
        cp -L "$TANGO/32x32/$p.png" "$RT/src/$n-32.png"
    done
fi

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

# The 16 colours of the standard VGA palette: the 4-bit images use exactly these, which is
# also what a 16-colour image list maps every icon to.
convert xc:'#000000' xc:'#800000' xc:'#008000' xc:'#808000' xc:'#000080' xc:'#800080' \
        xc:'#008080' xc:'#c0c0c0' xc:'#808080' xc:'#ff0000' xc:'#00ff00' xc:'#ffff00' \
        xc:'#0000ff' xc:'#ff00ff' xc:'#00ffff' xc:'#ffffff' +append "$TMP/vga.png"

# Alpha at or below this level counts as transparent in the AND masks (icotool -t); the
# colour of such pixels is set to black, as the mask-and-XOR drawing used without alpha
# (a 16-colour image list, for one) would otherwise show their inverted colour.
MASK_LEVEL=63
MASK_PCT=24.9%    # the same level for ImageMagick: between 63 and 64 of 255

# png32 IN SIZE OUT: a full-colour RGBA picture of exactly SIZE x SIZE.
png32() {
    case $1 in
        *.svg) rsvg-convert -w "$2" -h "$2" -o "$TMP/raw.png" "$1" ;;
        *)     convert "$1" -background none -gravity center -extent "$2x$2" "PNG32:$TMP/raw.png" ;;
    esac
    convert "$TMP/raw.png" -write mpr:src +delete \
            \( mpr:src -alpha off \) \( mpr:src -alpha extract -threshold $MASK_PCT \) \
            -compose Multiply -composite \
            \( mpr:src -alpha extract \) -compose CopyOpacity -composite "PNG32:$3"
}

# lowcolour IN32 DEPTH OUT: the same picture with at most 2^DEPTH colours and on/off
# transparency, from which icotool writes a palette image with its AND mask.
lowcolour() {
    if [ "$2" = 4 ]; then
        quant="-dither None -remap $TMP/vga.png"
    else
        quant="-dither None -colors 255"
    fi
    # shellcheck disable=SC2086
    convert "$1" \( +clone -alpha extract -threshold $MASK_PCT \) \
            \( -clone 0 -alpha off $quant \) -delete 0 +swap \
            -compose CopyOpacity -composite "PNG32:$3"
}

# ico OUT SRC16 SRC32 [SRC48]: one icon file holding 32-bit, 256-colour and 16-colour images
# at 32 x 32 and 16 x 16 (and a 32-bit 48 x 48 one when SRC48 is given).
ico() {
    out=$1; s16=$2; s32=$3; s48=${4:-}
    b=$TMP/$(basename "$out" .ico)
    png32 "$s32" 32 "$b-32.png"
    png32 "$s16" 16 "$b-16.png"
    lowcolour "$b-32.png" 8 "$b-32-8.png"; lowcolour "$b-16.png" 8 "$b-16-8.png"
    lowcolour "$b-32.png" 4 "$b-32-4.png"; lowcolour "$b-16.png" 4 "$b-16-4.png"
    set -- -b 32 "$b-32.png" -b 32 "$b-16.png"
    if [ -n "$s48" ]; then png32 "$s48" 48 "$b-48.png"; set -- -b 32 "$b-48.png" "$@"; fi
    # Each -b sets the depth of the file after it; without it icotool would choose the
    # depth from the colour count and could turn a flat full-colour picture into 8 bits.
    icotool -c -t $MASK_LEVEL -o "$out" "$@" -b 8 "$b-32-8.png" -b 8 "$b-16-8.png" \
                              -b 4 "$b-32-4.png" -b 4 "$b-16-4.png"
    n32=$(icotool -l "$out" | grep -c 'bit-depth=32')
    want=2; [ -n "$s48" ] && want=3
    [ "$n32" -eq "$want" ] || { echo "$out: expected $want 32-bit images" >&2; exit 1; }
}

# ico16 OUT SRC16: a single 16 x 16 image, as full colour and as 16 colours.
ico16() {
    b=$TMP/$(basename "$1" .ico)
    png32 "$2" 16 "$b-16.png"; lowcolour "$b-16.png" 4 "$b-16-4.png"
    icotool -c -t $MASK_LEVEL -o "$1" -b 32 "$b-16.png" -b 4 "$b-16-4.png"
}

# bmp24 IN OUT W H: a 24-bit uncompressed bottom-up bitmap of exactly W x H.
bmp24() {
    convert "$1" -background white -alpha remove -alpha off -extent "$3x$4" \
            -type TrueColor -compress None "BMP3:$2"
}

S=$RS/src
# tango OUT NAME [SRC48]: an icon from the Tango pair NAME-16.png / NAME-32.png in src/.
tango() { ico "$1" "$S/$2-16.png" "$S/$2-32.png" ${3:+"$3"}; }

# Runeset: program icon and the function catalogue.
ico "$RS/runeset.ico"           "$S/runeset-key-16.svg" "$S/runeset-key-32.svg"
tango "$RS/cat_functions.ico"    applications-system
tango "$RS/cat_cdtray.ico"       media-optical
tango "$RS/cat_applications.ico" preferences-system-windows
tango "$RS/cat_power_group.ico"  battery
tango "$RS/cat_notepad.ico"      accessories-text-editor
tango "$RS/cat_volume.ico"       audio-volume-high
tango "$RS/cat_wordpad.ico"      x-office-document
tango "$RS/cat_command.ico"      utilities-terminal
tango "$RS/cat_paint.ico"        applications-graphics
tango "$RS/cat_mediaplayer.ico"  applications-multimedia
ico "$RS/cat_volumecontrol.ico" "$S/mixer-16.svg" "$S/mixer-32.svg"
ico "$RS/cat_regedit.ico"       "$S/registry-16.svg" "$S/registry-32.svg"
ico "$RS/cat_power.ico"         "$S/power-16.svg" "$S/power-32.svg"
tango "$RS/cat_screensaver.ico"  preferences-desktop-screensaver

# Runeset: wizard pages.
tango "$RS/add_program.ico"      window-new
tango "$RS/add_function.ico"     applications-system "$S/applications-system.svg"
tango "$RS/shortcut_keys.ico"    preferences-desktop-keyboard-shortcuts

# Runeset: side banner of the main window, keys picture over the plate.
rsvg-convert -o "$TMP/sidebar.png" "$S/sidebar.svg"
rsvg-convert -w 64 -h 64 -o "$TMP/keys64.png" "$S/preferences-desktop-keyboard-shortcuts.svg"
convert "$TMP/sidebar.png" "$TMP/keys64.png" -geometry +24+88 -composite "$TMP/sidebar2.png"
bmp24 "$TMP/sidebar2.png" "$RS/sidebar.bmp" 111 400

# Runeset: wizard header banner, program key at the right end.
rsvg-convert -o "$TMP/wizard.png" "$S/wizard.svg"
rsvg-convert -w 48 -h 48 -o "$TMP/key48.png" "$S/runeset-key-32.svg"
convert "$TMP/wizard.png" "$TMP/key48.png" -geometry +370+5 -composite "$TMP/wizard2.png"
bmp24 "$TMP/wizard2.png" "$RS/wizard.bmp" 432 72

# Runestop.
ico "$RT/runestop.ico"          "$RT/src/process-stop-16.png" "$RT/src/process-stop-32.png"
ico16 "$RT/runestop_small.ico"  "$RT/src/process-stop-16.png"

echo "art regenerated"
