#!/usr/bin/env bash
# Draws the program's pictures into res/pictures/. The outputs are committed,
# so the build never needs ImageMagick; run this again only to change them.
set -euo pipefail

FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
command -v convert >/dev/null 2>&1 ||
    { echo "draw_pictures: ImageMagick 'convert' not found (apt-get install imagemagick)" >&2; exit 1; }
[[ -f $FONT ]] ||
    { echo "draw_pictures: font $FONT not found (apt-get install fonts-wqy-microhei)" >&2; exit 1; }

ROOT=$(cd "$(dirname "$0")/.." && pwd)/res/pictures
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

# Windows' resource compiler and LoadImage want plain 24-bit V3 bitmaps.
# bmp NAME ARGS...: run convert with ARGS and write $OUT/NAME that way.
bmp() { local name=$1; shift; convert "$@" -alpha off -type TrueColor "BMP3:$OUT/$name"; }

# Every picture is drawn at each scale from its 100% figures, so a larger one is the same
# drawing with more pixels, not a stretched copy. PCT is the scale of the set being drawn.
# px N: a 100% edge or size in pixels, halves up, as the program scales its figures.
px() { echo $(( ($1 * PCT + 50) / 100 )); }
# box X1 Y1 X2 Y2: the filled rectangle of whole 100% pixels X1..X2, Y1..Y2 at this scale.
box() { echo "rectangle $(px "$1"),$(px "$2") $(( $(px $(( $3 + 1 ))) - 1 )),$(( $(px $(( $4 + 1 ))) - 1 ))"; }
# pts W H TEXT: TEXT's numbers as pixel-centre points of a W x H picture, mapped onto the
# picture at this scale (x numbers then y numbers alternately).
pts() {
    awk -v sx="$(px "$1")/$1" -v sy="$(px "$2")/$2" -v t="$3" 'BEGIN {
        split(sx, a, "/"); split(sy, b, "/"); fx = a[1] / a[2]; fy = b[1] / b[2]
        n = split(t, w, / /); out = ""
        for (i = 1; i <= n; i++) {
            m = split(w[i], c, ","); s = ""
            for (j = 1; j <= m; j++) {
                f = (j % 2) ? fx : fy
                s = s (j > 1 ? "," : "") sprintf("%g", (c[j] + 0.5) * f - 0.5)
            }
            out = out (i > 1 ? " " : "") s
        }
        print out }'
}
# len N: a 100% length (radius, stroke, point size) at this scale, fractional.
len() { awk -v n="$1" -v p="$PCT" 'BEGIN { printf "%g", n * p / 100 }'; }

# Colours: greens around the panels' RGB(194,245,66).
INK='#234008'          # text and glyphs
EDGE='#6f9a22'         # button border
PANEL='#c2f542'

draw_set() {
PCT=$1 OUT=$2
mkdir -p "$OUT"
local BW BH
BW=$(px 330) BH=$(px 26)

# Bar background, 330 x 26: soft vertical gradient, light top line, darker bottom line.
convert -size "${BW}x${BH}" gradient:'#eafbc0-#b9e45e' \
    -fill '#f8fee9' -draw "$(box 0 0 329 0)" \
    -fill '#88b52e' -draw "$(box 0 25 329 25)" \
    -fill '#a3cf46' -draw "$(box 0 1 0 24) $(box 329 1 329 24)" \
    "$TMP/bar.png"
bmp bar.bmp "$TMP/bar.png"

# The bar's strip behind a control at pixel row $1, so corners blend in.
backdrop() { convert "$TMP/bar.png" -crop "$(px "$2")x$(px "$3")+$(px 4)+$(px "$1")" +repage "$4"; }
backdrop 2 51 22 "$TMP/behind_btn.png"

# button ID PRESSED(0|1) SIZE WORDS: a 51 x 22 rounded button with its words;
# pressed is darker with its words 1 px down and right. Four words need size 11 to fit.
button() {
    local id=$1 pressed=$2 size=$3 words=$4 face shade shift w h frame
    w=$(px 51) h=$(px 22) frame="roundrectangle $(pts 51 22 '0,0 50,21') $(len 4),$(len 4)"
    if (( pressed )); then
        face='#a9d448-#c6ec74'; shade="line $(pts 51 22 '2,1 48,1')"; shift=+$(px 1)+$(px 1)
    else
        face='#fbfff2-#d3f08c'; shade="line $(pts 51 22 '2,20 48,20')"; shift=+0+0
    fi
    convert "$TMP/behind_btn.png" \
        \( -size "${w}x${h}" gradient:"$face" \) \
        \( -size "${w}x${h}" xc:black -fill white -draw "$frame" \) \
        -composite \
        -fill none -stroke "$EDGE" -strokewidth "$(len 1)" -draw "$frame" \
        -stroke '#00000022' -draw "$shade" -stroke none \
        -font "$FONT" -pointsize "$(len "$size")" -fill "$INK" -gravity center \
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
bmp tri_down.bmp "$TMP/behind_down.png" +antialias -fill "$INK" -draw "polygon $(pts 11 9 '2,3 8,3 5,6')"
bmp tri_left.bmp "$TMP/behind_left.png" +antialias -fill "$INK" -draw "polygon $(pts 11 9 '4,4 7,1 7,7')"

# Placeholder for a program without an icon: a grey window on white (white is transparent).
local P
P=$(px 32)
bmp placeholder.bmp -size "${P}x${P}" xc:white +antialias \
    -fill '#7b8794' -draw "$(box 3 5 28 26)" \
    -fill '#eef1f4' -draw "$(box 4 10 27 25)" \
    -fill '#e3e8ed' -draw "$(box 22 7 23 8) $(box 25 7 26 8)" \
    -fill '#c3ccd5' -draw "$(box 7 13 18 14) $(box 7 17 24 18) $(box 7 21 15 22)"

# About picture, 260 x 184: the mark over a soft green field, then name and version.
mark "$(px 64)" "$(len 12)" "$(len 54)" "$(len 2)"
bmp about.bmp -size "$(px 260)x$(px 184)" -define gradient:angle=160 gradient:'#e9fbc6-#9fd63f' \
    -fill '#ffffff40' -draw "circle $(pts 260 184 '215,40 215,95') circle $(pts 260 184 '30,160 30,205')" \
    -fill '#ffffff2a' -draw "circle $(pts 260 184 '60,30 60,60')" \
    \( "$TMP/mark$(px 64).png" \( +clone -background '#2f5a10' -shadow "40x$(len 3)+0+$(px 2)" \) \
       +swap -background none -layers merge +repage \) \
    -gravity north -geometry +0+"$(px 22)" -composite \
    -font "$FONT" -fill "$INK" -pointsize "$(len 19)" -annotate +0+"$(px 104)" 'Pimbrel个人电脑管家' \
    -fill '#4d6b22' -pointsize "$(len 12)" -annotate +0+"$(px 134)" '版本 0.1.0' \
    -gravity none -fill '#6f9a22' -draw "$(box 60 158 199 158)"

# Quick-launch tabs, 50 x 25: the caption in dark blue on a rounded yellow-green tab. A tab
# behind is paler and sits on the line that closes the list; the front tab opens into it.
tab() {
    local id=$1 selected=$2 words=$3 w h frame
    w=$(px 50) h=$(px 25)
    if (( selected )); then
        frame="roundrectangle $(pts 50 25 '1,1 48,30') $(len 6),$(len 6)"
        convert -size "${w}x${h}" xc:"$PANEL" \
            \( -size "${w}x${h}" gradient:'#f4ffb0-#c2f542' \) \
            \( -size "${w}x${h}" xc:black -fill white -draw "$frame" \) \
            -composite -fill none -stroke "$EDGE" -strokewidth "$(len 1)" -draw "$frame" \
            -stroke none -fill '#c2f542' -draw "$(box 2 24 47 24)" \
            -font "$FONT" -pointsize "$(len 12)" -fill '#10246e' -gravity center -annotate +0+"$(px 1)" "$words" \
            "$TMP/tab_$id.png"
    else
        frame="roundrectangle $(pts 50 25 '2,4 47,30') $(len 5),$(len 5)"
        convert -size "${w}x${h}" xc:"$PANEL" \
            \( -size "${w}x${h}" gradient:'#e2f6a0-#b3dc4c' \) \
            \( -size "${w}x${h}" xc:black -fill white -draw "$frame" \) \
            -composite -fill none -stroke "$EDGE" -strokewidth "$(len 1)" -draw "$frame" \
            -stroke none -fill "$EDGE" -draw "$(box 0 24 49 24)" \
            -font "$FONT" -pointsize "$(len 11)" -fill '#2a3c80' -gravity center -annotate +0+"$(px 2)" "$words" \
            "$TMP/tab_$id.png"
    fi
    bmp "tab_$id.bmp" "$TMP/tab_$id.png"
}
tab 157 1 综合类; tab 158 0 综合类
tab 163 1 学习类; tab 164 0 学习类
tab 159 1 娱乐类; tab 160 0 娱乐类
tab 161 1 网络类; tab 162 0 网络类

# The filler beside the tabs, 40 x 25: plain background over the list's top line.
bmp run_filler.bmp -size "$(px 40)x$(px 25)" xc:"$PANEL" -fill "$EDGE" -draw "$(box 0 24 39 24)"

# The close picture, 50 x 25: a paw print; a click hides the panel.
bmp run_close.bmp -size "$(px 50)x$(px 25)" xc:"$PANEL" -fill "$EDGE" -draw "$(box 0 24 49 24)" \
    -fill '#5b3a1a' -draw "ellipse $(pts 50 25 '25,15') $(len 6),$(len 5) 0,360" \
    -draw "ellipse $(pts 50 25 '17,9') $(len 2),$(len 3) 0,360 ellipse $(pts 50 25 '22,6') $(len 2),$(len 3) 0,360" \
    -draw "ellipse $(pts 50 25 '28,6') $(len 2),$(len 3) 0,360 ellipse $(pts 50 25 '33,9') $(len 2),$(len 3) 0,360"
}

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
# The program's icon, with the sizes Windows asks for at 100% to 200%.
mark 16 3 15 0
mark 20 4 18 0
mark 24 5 22 0
mark 32 6 27 1
mark 40 8 34 1
mark 48 9 40 2
mark 64 12 54 2
convert "$TMP/mark16.png" "$TMP/mark20.png" "$TMP/mark24.png" "$TMP/mark32.png" \
    "$TMP/mark40.png" "$TMP/mark48.png" "$TMP/mark64.png" "$ROOT/pimbrel.ico"

draw_set 100 "$ROOT"
draw_set 125 "$ROOT/125"
draw_set 150 "$ROOT/150"
draw_set 200 "$ROOT/200"
