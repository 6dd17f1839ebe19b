#!/usr/bin/env bash
# Makes the JPEG fixtures of the image-loader tests and the fuzz seeds of the
# image readers. Run by hand (needs the imagemagick and libjpeg-turbo-progs
# packages); its output is committed:
#   tests/data/images/*.jpg       four small JPEGs: colour 3 px wide, grey,
#                                 progressive, CMYK
#   tests/data/images/*.pnm       djpeg's decodes of the first three
#   tests/data/images/jpeg_fixtures.h   all of them as byte arrays, so the
#                                 tests carry their data (Wine needs no path)
#   fuzz/corpus/<reader>_fuzz/    seeds for each reader's fuzz target
set -euo pipefail
cd "$(dirname "$0")/.."
convert=/usr/bin/convert
data=tests/data/images
mkdir -p "$data"

"$convert" -size 3x2 xc:red -fill '#20C040' -draw 'point 1,0' -fill '#3050E0' -draw 'point 2,0' \
  -fill '#FFFF00' -draw 'point 0,1' -fill '#808080' -draw 'point 1,1' -fill '#00FFFF' \
  -draw 'point 2,1' -sampling-factor 1x1 -quality 95 "$data/colour.jpg"
"$convert" -size 8x8 gradient:black-white -colorspace Gray -quality 90 "$data/grey.jpg"
"$convert" -size 16x16 gradient:'#FF8000'-'#0040FF' -interlace Plane -quality 85 \
  "$data/progressive.jpg"
"$convert" -size 4x4 xc:'#4080C0' -colorspace CMYK -quality 90 "$data/cmyk.jpg"
for name in colour grey progressive; do
  djpeg -pnm "$data/$name.jpg" > "$data/$name.pnm"
done

{
  echo "// Made by tools/make-image-fixtures.sh: do not edit."
  echo "#ifndef VELVANE_TESTS_DATA_JPEG_FIXTURES_H"
  echo "#define VELVANE_TESTS_DATA_JPEG_FIXTURES_H"
  for file in colour.jpg grey.jpg progressive.jpg cmyk.jpg colour.pnm grey.pnm progressive.pnm; do
    (cd "$data" && xxd -i "$file") | sed -e 's/^unsigned char/static const unsigned char/' \
      -e 's/^unsigned int/static const unsigned int/'
  done
  echo "#endif"
} > "$data/jpeg_fixtures.h"

corpus=fuzz/corpus
rm -rf "$corpus"/{bmp,jpeg,png,bgra,tga,dds,image_stream}_loader_fuzz "$corpus"/image_stream_fuzz
for reader in bmp jpeg png bgra tga dds; do mkdir -p "$corpus/${reader}_loader_fuzz"; done
mkdir -p "$corpus/image_stream_fuzz"
seed="-size 5x3 gradient:'#FF00FF'-'#00FF80'"
pic() { eval "$convert" "$seed" "$@"; }
cp "$data"/*.jpg "$corpus/jpeg_loader_fuzz/"
pic "$corpus/png_loader_fuzz/rgb.png"
pic -type Palette "$corpus/png_loader_fuzz/palette.png"
pic -alpha set -channel A -evaluate set 50% "$corpus/png_loader_fuzz/rgba.png"
pic -interlace PNG "$corpus/png_loader_fuzz/adam7.png"
pic -colorspace Gray -depth 16 "$corpus/png_loader_fuzz/grey16.png"
pic BMP3:"$corpus/bmp_loader_fuzz/rgb24.bmp"
pic -type Palette BMP3:"$corpus/bmp_loader_fuzz/palette8.bmp"
pic -type Palette -compress RLE BMP3:"$corpus/bmp_loader_fuzz/rle8.bmp"
pic -monochrome BMP3:"$corpus/bmp_loader_fuzz/mono.bmp"
pic -alpha set BMP:"$corpus/bmp_loader_fuzz/v5_32.bmp"
pic -define bmp:subtype=RGB565 BMP:"$corpus/bmp_loader_fuzz/rgb565.bmp"
pic -compress None "$corpus/tga_loader_fuzz/plain.tga"
pic -compress RLE "$corpus/tga_loader_fuzz/rle.tga"
pic -type Palette -compress RLE "$corpus/tga_loader_fuzz/mapped.tga"
pic -define dds:compression=dxt1 -define dds:mipmaps=2 "$corpus/dds_loader_fuzz/dxt1.dds"
pic -define dds:compression=dxt5 "$corpus/dds_loader_fuzz/dxt5.dds"
pic -define dds:compression=none "$corpus/dds_loader_fuzz/argb.dds"
# Raw BGRA: magic, depth code, width, height, then the pixels.
printf 'BGRA\x08\x08\x08\x08\x02\0\0\0\x01\0\0\0\x01\x02\x03\x04\x05\x06\x07\x08' \
  > "$corpus/bgra_loader_fuzz/depth8.bgra"
printf 'BGRA\x10\x10\x10\x10\x01\0\0\0\x01\0\0\0\x34\x12\xCD\xAB\xFF\0\xFF\xFF' \
  > "$corpus/bgra_loader_fuzz/depth16.bgra"
for reader in bmp jpeg png bgra tga dds; do
  cp "$corpus/${reader}_loader_fuzz/"* "$corpus/image_stream_fuzz/"
done
