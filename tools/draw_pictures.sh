#!/usr/bin/env bash
# Draws the program's pictures into res/pictures/. The outputs are committed,
# so the build never needs ImageMagick; run this again only to change them.
set -euo pipefail

FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
command -v convert >/dev/null 2>&1 ||
    { echo "draw_pictures: ImageMagick 'convert' not found (apt-get install imagemagick)" >&2; exit 1; }
[[ -f $FONT ]] ||
    { echo "draw_pictures: font $FONT not found (apt-get install fonts-wqy-microhei)" >&2; exit 1; }

OUT=$(cd "$(dirname "$0")/.." && pwd)/res/pictures
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$OUT"

# Windows' resource compiler and LoadImage want plain 24-bit V3 bitmaps.
# bmp NAME ARGS...: run convert with ARGS and write res/pictures/NAME that way.
bmp() { local name=$1; shift; convert "$@" -alpha off -type TrueColor "BMP3:$OUT/$name"; }

# Colours: greens around the panels' RGB(194,245,66).
INK='#234008'          # text and glyphs
EDGE='#6f9a22'         # button border

# Bar background, 330 x 26: soft vertical gradient, light top line, darker bottom line.
convert -size 330x26 gradient:'#eafbc0-#b9e45e' \
    -fill '#f8fee9' -draw 'line 0,0 329,0' \
    -fill '#88b52e' -draw 'line 0,25 329,25' \
    -fill '#a3cf46' -draw 'line 0,1 0,24 line 329,1 329,24' \
    "$TMP/bar.png"
bmp bar.bmp "$TMP/bar.png"

# The bar's strip behind a control at pixel row $1, so corners blend in.
backdrop() { convert "$TMP/bar.png" -crop "$2x$3+4+$1" +repage "$4"; }
backdrop 2 51 22 "$TMP/behind_btn.png"

# button ID PRESSED(0|1) SIZE WORDS: a 51 x 22 rounded button with its words;
# pressed is darker with its words 1 px down and right. Four words need size 11 to fit.
button() {
    local id=$1 pressed=$2 size=$3 words=$4 face shade shift
    if (( pressed )); then
        face='#a9d448-#c6ec74'; shade='line 2,1 48,1'; shift=+1+1
    else
        face='#fbfff2-#d3f08c'; shade='line 2,20 48,20'; shift=+0+0
    fi
    convert "$TMP/behind_btn.png" \
        \( -size 51x22 gradient:"$face" \) \
        \( -size 51x22 xc:black -fill white -draw 'roundrectangle 0,0 50,21 4,4' \) \
        -composite \
        -fill none -stroke "$EDGE" -draw 'roundrectangle 0,0 50,21 4,4' \
        -stroke '#00000022' -draw "$shade" -stroke none \
        -font "$FONT" -pointsize "$size" -fill "$INK" -gravity center \
        -annotate "$shift" "$words" \
        "$TMP/btn_$id.png"
    bmp "btn_$id.bmp" "$TMP/btn_$id.png"
}
button 146 0 12 记事;      button 145 1 12 记事
button 144 0 12 资料;      button 143 1 12 资料
button 148 0 12 通讯录;    button 147 1 12 通讯录
button 150 0 11 快速启动;  button 149 1 11 快速启动
button 152 0 12 工具箱;    button 151 1 12 工具箱
button 141 0 12 主菜单;    button 142 1 12 主菜单

# Small triangles, 11 x 9, on the bar rows where they sit (1 and 8 dialog units down).
backdrop 2 11 9 "$TMP/behind_down.png"
backdrop 13 11 9 "$TMP/behind_left.png"
bmp tri_down.bmp "$TMP/behind_down.png" +antialias -fill "$INK" -draw 'polygon 2,3 8,3 5,6'
bmp tri_left.bmp "$TMP/behind_left.png" +antialias -fill "$INK" -draw 'polygon 4,4 7,1 7,7'

# The mark: a green rounded square with a white "P", drawn per size so small ones stay crisp.
# mark SIZE RADIUS POINTSIZE STROKE: the stroke thickens the letter at larger sizes.
mark() {
    local s=$1 r=$2 pt=$3 sw=$4 m=$(( $1 - 1 ))
    convert \( -size "${s}x${s}" gradient:'#8fd14a-#3c8c2c' \) \
        \( -size "${s}x${s}" xc:black -fill white -draw "roundrectangle 0,0 $m,$m $r,$r" \) \
        -alpha off -compose CopyOpacity -composite -compose Over \
        -font "$FONT" -pointsize "$pt" -fill white -stroke white -strokewidth "$sw" \
        -gravity center -annotate +0+0 P "$TMP/mark$s.png"
}
mark 16 3 15 0
mark 32 6 27 1
mark 48 9 40 2
mark 64 12 54 2
convert "$TMP/mark16.png" "$TMP/mark32.png" "$TMP/mark48.png" "$OUT/pimbrel.ico"

# Placeholder for a program without an icon: a grey window on white (white is transparent).
bmp placeholder.bmp -size 32x32 xc:white +antialias \
    -fill '#7b8794' -draw 'rectangle 3,5 28,26' \
    -fill '#eef1f4' -draw 'rectangle 4,10 27,25' \
    -fill '#e3e8ed' -draw 'rectangle 22,7 23,8 rectangle 25,7 26,8' \
    -fill '#c3ccd5' -draw 'rectangle 7,13 18,14 rectangle 7,17 24,18 rectangle 7,21 15,22'

# About picture, 260 x 184: the mark over a soft green field, then name and version.
bmp about.bmp -size 260x184 -define gradient:angle=160 gradient:'#e9fbc6-#9fd63f' \
    -fill '#ffffff40' -draw 'circle 215,40 215,95 circle 30,160 30,205' \
    -fill '#ffffff2a' -draw 'circle 60,30 60,60' \
    \( "$TMP/mark64.png" \( +clone -background '#2f5a10' -shadow 40x3+0+2 \) \
       +swap -background none -layers merge +repage \) \
    -gravity north -geometry +0+22 -composite \
    -font "$FONT" -fill "$INK" -pointsize 19 -annotate +0+104 'Pimbrel个人电脑管家' \
    -fill '#4d6b22' -pointsize 12 -annotate +0+134 '版本 0.1.0' \
    -gravity none -fill '#6f9a22' -draw 'line 60,158 199,158'

# Quick-launch tabs, 50 x 25: the caption in dark blue on a rounded yellow-green tab. A tab
# behind is paler and sits on the line that closes the list; the front tab opens into it.
PANEL='#c2f542'
tab() {
    local id=$1 selected=$2 words=$3
    if (( selected )); then
        convert -size 50x25 xc:"$PANEL" \
            \( -size 50x25 gradient:'#f4ffb0-#c2f542' \) \
            \( -size 50x25 xc:black -fill white -draw 'roundrectangle 1,1 48,30 6,6' \) \
            -composite -fill none -stroke "$EDGE" -draw 'roundrectangle 1,1 48,30 6,6' \
            -stroke none -fill '#c2f542' -draw 'rectangle 2,24 47,24' \
            -font "$FONT" -pointsize 12 -fill '#10246e' -gravity center -annotate +0+1 "$words" \
            "$TMP/tab_$id.png"
    else
        convert -size 50x25 xc:"$PANEL" \
            \( -size 50x25 gradient:'#e2f6a0-#b3dc4c' \) \
            \( -size 50x25 xc:black -fill white -draw 'roundrectangle 2,4 47,30 5,5' \) \
            -composite -fill none -stroke "$EDGE" -draw 'roundrectangle 2,4 47,30 5,5' \
            -draw 'line 0,24 49,24' -stroke none \
            -font "$FONT" -pointsize 11 -fill '#2a3c80' -gravity center -annotate +0+2 "$words" \
            "$TMP/tab_$id.png"
    fi
    bmp "tab_$id.bmp" "$TMP/tab_$id.png"
}
tab 157 1 综合类; tab 158 0 综合类
tab 163 1 学习类; tab 164 0 学习类
tab 159 1 娱乐类; tab 160 0 娱乐类
tab 161 1 网络类; tab 162 0 网络类

# The filler beside the tabs, 40 x 25: plain background over the list's top line.
bmp run_filler.bmp -size 40x25 xc:"$PANEL" -fill "$EDGE" -draw 'line 0,24 39,24'

# The close picture, 50 x 25: a paw print; a click hides the panel.
bmp run_close.bmp -size 50x25 xc:"$PANEL" -fill "$EDGE" -draw 'line 0,24 49,24' \
    -fill '#5b3a1a' -draw 'ellipse 25,15 6,5 0,360' \
    -draw 'ellipse 17,9 2,3 0,360 ellipse 22,6 2,3 0,360' \
    -draw 'ellipse 28,6 2,3 0,360 ellipse 33,9 2,3 0,360'
