#!/usr/bin/env bash
# Packaging: the help file, the portable archive and the installer.
#   package.sh help <out>                    -> <out>/pimbrel.chm
#   package.sh package <native> <win> <out>  -> the help, Pimbrel-<version>.zip and -setup.exe
#                                               from <native>/data and <win>/Pimbrel.exe
#   package.sh help-images <shots>           -> help/images from the end-to-end screenshots
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The one version number, from the project line of CMakeLists.txt.
version() { sed -n 's/^project(Pimbrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt"; }

# The pictures the help pages show, by their screenshot names.
help_shots=(bar dragged main_menu tray_menu notes_panel contacts_panel datum_panel datum_trim
  datum_tree_wide datum_tree_narrow search run_icons run_report run_info icon_sel tool_box settings
  about help_viewer installer_welcome installer_folder installer_finish installer_uninstall
  installer_keep_data)

# Copies each screenshot that exists, cut to what is not background: the pictures are taken of
# a black Xvfb screen; the driver's tiny key window in the bottom right corner is painted over.
help_images() {
  local shots=$1 name n=0
  for name in "${help_shots[@]}"; do
    [ -f "$shots/$name.png" ] || continue
    convert "$shots/$name.png" -fill black -draw 'rectangle 1000,740 1023,767' \
      -bordercolor black -border 1 -trim +repage -strip -colors 256 "$root/help/images/$name.png"
    n=$((n + 1))
  done
  echo "$n pictures in help/images"
}

# The .chm: the UTF-8 sources in GBK (the viewer takes a Chinese help file's contents and index
# in the system code page), pictures not yet there left out, then chmcmd.
build_help() {
  local out=$1 stage=$1/help page img
  rm -rf "$stage"
  mkdir -p "$stage/images"
  cp "$root"/help/*.css "$stage/"
  cp "$root"/help/images/*.png "$stage/images/" 2>/dev/null || true
  for page in "$root"/help/*.htm "$root"/help/*.hhc "$root"/help/*.hhk "$root"/help/*.hhp; do
    sed 's/charset=utf-8/charset=gb2312/' "$page" | iconv -f UTF-8 -t GBK >"$stage/$(basename "$page")"
  done
  for page in "$stage"/*.htm; do
    for img in $(grep -o 'images/[a-z_]*\.png' "$page" | sort -u); do
      [ -f "$stage/$img" ] || sed -i "\\#$img#d" "$page"
    done
    # Every page must be in the contents.
    grep -q "value=\"$(basename "$page")\"" "$stage/pimbrel.hhc" || {
      echo "help: $(basename "$page") is missing from pimbrel.hhc" >&2
      return 1
    }
  done
  (cd "$stage" && find . -name '*.htm' -o -name '*.css' -o -name '*.png' | sed 's#^\./##' | sort >>pimbrel.hhp)
  (cd "$stage" && chmcmd pimbrel.hhp >chmcmd.log 2>&1) || {
    cat "$stage/chmcmd.log" >&2
    return 1
  }
  mv "$stage/pimbrel.chm" "$out/pimbrel.chm"
}

# The portable folder as a zip, and the installer, both named with the version.
make_package() {
  local data exe out=$3 v
  data=$(cd "$1" && pwd)/data exe=$(cd "$2" && pwd)/Pimbrel.exe v=$(version)
  [ -f "$data/set/sets.conf" ] && [ -f "$exe" ] || {
    echo "package: build $data and $exe first" >&2
    return 1
  }
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  build_help "$out"
  local folder="$out/Pimbrel-$v"
  rm -rf "$folder" "$out/Pimbrel-$v.zip" "$out/Pimbrel-$v-setup.exe"
  mkdir -p "$folder"
  cp -r "$data/." "$folder/"
  cp "$exe" "$out/pimbrel.chm" "$folder/"
  (cd "$out" && zip -qr -X "Pimbrel-$v.zip" "Pimbrel-$v")
  local listed
  listed=$(unzip -Z1 "$out/Pimbrel-$v.zip")
  for f in Pimbrel.exe pimbrel.chm set/sets.conf note/ communication/; do
    grep -qx "Pimbrel-$v/$f" <<<"$listed" || {
      echo "package: Pimbrel-$v.zip lacks $f" >&2
      return 1
    }
  done
  # Empty folders (notes, contacts) are made by the installer itself.
  (cd "$data" && find . -mindepth 1 -type d | sed 's#^\./##; s#/#\\#g; s#.*#CreateDirectory "$INSTDIR\\&"#') \
    >"$out/folders.nsh"
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$v" -DPROGRAM="$exe" -DHELP="$out/pimbrel.chm" \
    -DDATA="$data" -DFOLDERS="$out/folders.nsh" -DICON="$root/res/pictures/pimbrel.ico" \
    -DOUTFILE="$out/Pimbrel-$v-setup.exe" "$root/installer/pimbrel.nsi" >"$out/makensis.log" 2>&1 || {
    cat "$out/makensis.log" >&2
    return 1
  }
  echo "package: $out/Pimbrel-$v-setup.exe, $out/Pimbrel-$v.zip"
}

case "${1:-}" in
  help) build_help "$2" ;;
  package) make_package "$2" "$3" "$4" ;;
  help-images) help_images "$2" ;;
  version) version ;;
  *)
    echo "usage: package.sh help|package <build> | help-images <shots> | version" >&2
    exit 2
    ;;
esac
