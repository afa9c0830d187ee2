#!/usr/bin/env bash
# Converts an exported metafile picture with LibreOffice and with Inkscape, to PNG and SVG, and
# prints the physical size each program reads, so that the picture can be checked by eye in two
# independent renderers. Needs the packages libreoffice-draw-nogui and inkscape.
#
#   scripts/check-metafile.sh FILE [OUTDIR]
#
# A 2000 x 1500 film must read 102 x 77 mm in both (the film at half size with 1 mm margins).
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 FILE [OUTDIR]" >&2
    exit 2
fi
file=$1
outdir=${2:-metafile-check}
[ -f "$file" ] || { echo "$0: no such file: $file" >&2; exit 1; }
for tool in soffice inkscape python3; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 1; }
done

mkdir -p "$outdir/libreoffice" "$outdir/inkscape"
outdir=$(cd "$outdir" && pwd)
# Inkscape refuses EMF content named .wmf; LibreOffice looks at the content either way.
name=$(basename "${file%.*}")
emf="$outdir/$name.emf"
cp -- "$file" "$emf"

# A private profile, so that a running or misconfigured LibreOffice does not interfere.
profile="file://$outdir/libreoffice-profile"
for type in png svg; do
    soffice -env:UserInstallation="$profile" --headless --convert-to "$type" \
        --outdir "$outdir/libreoffice" "$emf" >/dev/null 2>&1
done
inkscape "$emf" --export-type=png --export-filename="$outdir/inkscape/$name.png" 2>/dev/null
inkscape "$emf" --export-type=svg --export-plain-svg \
    --export-filename="$outdir/inkscape/$name.svg" 2>/dev/null

python3 - "$outdir" "$name" <<'EOF'
import re
import struct
import sys

outdir, name = sys.argv[1], sys.argv[2]


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    return struct.unpack(">II", head[16:24])


def svg_root(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    return text, re.search(r"<svg\b[^>]*>", text, re.S).group(0)


def attribute(tag, key):
    found = re.search(r'\s%s="([^"]*)"' % key, tag)
    return found.group(1) if found else "?"


# LibreOffice puts the picture on a page; its bounding box is in 0.01 mm.
text, root = svg_root(f"{outdir}/libreoffice/{name}.svg")
box = re.search(r'<rect class="BoundingBox"[^>]*width="(\d+)" height="(\d+)"', text)
print(f"LibreOffice: picture {int(box.group(1)) / 100:g} x {int(box.group(2)) / 100:g} mm "
      f"on a page of {attribute(root, 'width')} x {attribute(root, 'height')}; "
      f"PNG of the page {'x'.join(map(str, png_size(f'{outdir}/libreoffice/{name}.png')))} px")
# Inkscape makes the picture's frame its page.
text, root = svg_root(f"{outdir}/inkscape/{name}.svg")
print(f"Inkscape:    picture {attribute(root, 'width')} x {attribute(root, 'height')}; "
      f"PNG at 96 dpi {'x'.join(map(str, png_size(f'{outdir}/inkscape/{name}.png')))} px")
EOF
echo "Pictures: $outdir/libreoffice/$name.png $outdir/inkscape/$name.png"
