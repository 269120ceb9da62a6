#!/usr/bin/env bash
# Renders the wizard's images from the SVG sources in this folder.
#
#   resources/art/render.sh
#
# Output: resources/images/*.png, resources/images/ordevik.svg, the welcome picture
# resources/ordevik.bmp and the Windows icon resources/windows/ordevik.ico. Rerunning
# gives the same bytes, so the rendered files can be committed next to their sources
# and a diff shows real changes only.
set -euo pipefail

art=$(cd "$(dirname "$0")" && pwd)
resources=$(dirname "$art")
images=$resources/images

# The page titles live here rather than in the SVG, so that a title is changed in
# one place. Fields: output name | title text | step shown at the right ("" for none).
# title0 uses the narrower welcome template; all others use title.svg.
titles=(
    "title0|ようこそ|"
    "title1|入力・出力フォルダの指定|1/6"
    "title2|ファイルセットの選択|2/6"
    "title3|地物の選択|3/6"
    "title4|出力オプション|4/6"
    "title5|設定の確認|5/6"
    "title6|解凍の実行|6/6"
    "done|解凍の完了|6/6"
)

# Fresh machines lack these; the font package is what makes the Japanese text
# come out as glyphs instead of empty boxes.
"$resources/../scripts/install-missing.sh" --no-recommends \
    librsvg2-bin fonts-noto-cjk python3-pil

# pyenv or a virtualenv may shadow python3 without PIL; Debian's python3-pil
# belongs to the system interpreter.
python=/usr/bin/python3

mkdir -p "$images"

render() { # render SOURCE OUTPUT [SIZE]
    if (($# == 3)); then
        rsvg-convert --width "$3" --height "$3" --output "$2" "$1"
    else
        rsvg-convert --output "$2" "$1"
    fi
}

# Titles are text inside the SVG, so they must be XML-escaped before substitution.
xml_escape() {
    local text=$1
    text=${text//&/&amp;}
    text=${text//</&lt;}
    text=${text//>/&gt;}
    printf '%s' "$text"
}

render "$art/banner.svg" "$images/banner.png"

for entry in "${titles[@]}"; do
    IFS='|' read -r name title step <<<"$entry"
    template=$art/title.svg
    if [[ $name == title0 ]]; then
        template=$art/title-welcome.svg
    fi
    svg=$(<"$template")
    svg=${svg//@TITLE@/$(xml_escape "$title")}
    svg=${svg//@STEP@/$(xml_escape "$step")}
    printf '%s\n' "$svg" | rsvg-convert --output "$images/$name.png"
done

render "$art/list.svg" "$images/list.png"

# Below 32 px the detailed icon turns to mush; a simplified drawing takes over.
cp "$art/ordevik.svg" "$images/ordevik.svg"
for size in 16 22 24; do
    render "$art/ordevik-small.svg" "$images/icon-$size.png" "$size"
done
for size in 32 48 64 128 256; do
    render "$art/ordevik.svg" "$images/icon-$size.png" "$size"
done

# The welcome page reads a plain Windows BMP (14-byte file header, 40-byte info
# header, 24 bits, bottom-up rows). PIL writes exactly that for an RGB image.
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
render "$art/welcome.svg" "$workdir/welcome.png"
"$python" - "$workdir/welcome.png" "$resources/ordevik.bmp" <<'EOF'
import sys
from PIL import Image

source, target = sys.argv[1], sys.argv[2]
picture = Image.open(source).convert("RGBA")
# The SVG is opaque, but flatten onto white anyway so a stray transparent pixel
# cannot turn black in a format without alpha.
flat = Image.new("RGBA", picture.size, (255, 255, 255, 255))
flat.alpha_composite(picture)
flat.convert("RGB").save(target, format="BMP")
EOF

# The Windows program carries the banner, the title images and the list icon as 24-bit
# bitmap resources (white under any transparency), and its icon as one .ico of the
# rendered sizes up to 256 pixels.
mkdir -p "$resources/windows"
"$python" - "$images" "$resources/windows" <<'EOF'
import sys
from PIL import Image

images, target = sys.argv[1], sys.argv[2]
for name in ["banner", "title0", "title1", "title2", "title3", "title4", "title5",
             "title6", "done", "list"]:
    picture = Image.open(f"{images}/{name}.png").convert("RGBA")
    flat = Image.new("RGBA", picture.size, (255, 255, 255, 255))
    flat.alpha_composite(picture)
    flat.convert("RGB").save(f"{target}/{name}.bmp", format="BMP")
sizes = [16, 24, 32, 48, 64, 128, 256]
icon = Image.open(f"{images}/icon-256.png").convert("RGBA")
frames = [Image.open(f"{images}/icon-{size}.png").convert("RGBA") for size in sizes]
icon.save(f"{target}/ordevik.ico", format="ICO", sizes=[(s, s) for s in sizes],
          append_images=frames)
EOF

echo "rendered into $images, $resources/windows and $resources/ordevik.bmp"
