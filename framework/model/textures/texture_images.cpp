#include "model/textures/texture_images.h"

#include <math.h>
#include <string.h>

#include "graphics/device/direct3d_state.h"
#include "graphics/images/image_loaders.h"

namespace {

int NextPowerOfTwo(int side, int limit) {
  int size = 1;
  while (size < side && size < limit) size <<= 1;
  return size > limit ? limit : size;
}

bool IsPowerOfTwo(int side) { return side > 0 && (side & (side - 1)) == 0; }

int Decode(const void *data, int size, BASEIMAGE *out) {
  memset(out, 0, sizeof(*out));
  return LoadImageToBaseImage(NULL, data, size, 1, 0, 0, out, NULL, NULL) < 0 ? -1 : 0;
}

// Half the device's largest texture side (a large default without one).
void TextureSideLimits(int *width, int *height) {
  *width = g_d3d.maxTextureWidth > 1 ? g_d3d.maxTextureWidth / 2 : 4096;
  *height = g_d3d.maxTextureHeight > 1 ? g_d3d.maxTextureHeight / 2 : 4096;
}

// Rounds the sides up to powers of two with a bilinear scale, then turns
// the image when asked.
// The whole image scaled with bilinear filtering to width x height (in
// its own format) replaces it.
int ScaleTo(BASEIMAGE *image, int width, int height) {
  if (image->width == width && image->height == height) return 0;
  BASEIMAGE scaled;
  memset(&scaled, 0, sizeof scaled);
  if (CreateBaseImageWithFormat(width, height, &image->format, &scaled) < 0) return -1;
  if (ScaleBlitBaseImage(0, 0, image->width, image->height, image, 0, 0, width, height, &scaled, 1) < 0) {
    FreeBaseImage(&scaled);
    return -1;
  }
  FreeBaseImage(image);
  *image = scaled;
  return 0;
}

int FitAndTurn(BASEIMAGE *image, int reverse) {
  if (!IsPowerOfTwo(image->width) || !IsPowerOfTwo(image->height)) {
    int limitWidth, limitHeight;
    TextureSideLimits(&limitWidth, &limitHeight);
    if (ScaleTo(image, NextPowerOfTwo(image->width, limitWidth), NextPowerOfTwo(image->height, limitHeight)) < 0) {
      return -1;
    }
  }
  if (reverse) RotateBaseImage180(image);
  return 0;
}

int RedAt(const BASEIMAGE *image, int x, int y) {
  int r = 0;
  ReadBaseImagePixel(image, x, y, &r, NULL, NULL, NULL);
  return r;
}

// A height map's red channel as slopes to the right and downwards (wrapping
// at the edges) made into a normal per pixel.
int MakeNormalMap(BASEIMAGE *image, float bumpHeight) {
  const double h = bumpHeight < 0.000001f ? 0.000001 : bumpHeight;
  BASEIMAGE normals;
  memset(&normals, 0, sizeof normals);
  if (CreateXrgb32BaseImage(image->width, image->height, &normals) < 0) return -1;
  for (int y = 0; y < image->height; y++) {
    uint32_t *row = reinterpret_cast<uint32_t *>(static_cast<uint8_t *>(normals.pixels) + static_cast<size_t>(y) * normals.pitch);
    for (int x = 0; x < image->width; x++) {
      const int c = RedAt(image, x, y);
      const int r = RedAt(image, x + 1 < image->width ? x + 1 : 0, y);
      const int d = RedAt(image, x, y + 1 < image->height ? y + 1 : 0);
      const double sx = (r - c) / 255.0, sy = (d - c) / 255.0;
      double n[3] = {-h * sx, -h * sy, h * h};
      const double length = sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      for (double &v : n) v /= length;
      const uint32_t red = static_cast<uint32_t>((n[0] + 1.0) * 127.5);
      const uint32_t green = static_cast<uint32_t>((n[1] + 1.0) * 127.5);
      const uint32_t blue = static_cast<uint32_t>((n[2] + 1.0) * 127.5);
      row[x] = (red << 16) | (green << 8) | blue;
    }
  }
  FreeBaseImage(image);
  *image = normals;
  return 0;
}

int MakeWhite(int width, int height, BASEIMAGE *out) {
  if (CreateXrgb32BaseImage(width, height, out) < 0) return -1;
  for (int y = 0; y < height; y++) memset(static_cast<uint8_t *>(out->pixels) + static_cast<size_t>(y) * out->pitch, 255, static_cast<size_t>(width) * 4);
  return 0;
}

}  // namespace

int MakeModelTextureImages(BASEIMAGE *colour, BASEIMAGE *alpha, const void *colourData, int colourSize,
                           const void *alphaData, int alphaSize, int bump, float bumpHeight, int reverse) {
  memset(colour, 0, sizeof(*colour));
  memset(alpha, 0, sizeof(*alpha));
  int ok = 1;
  if (colourData && Decode(colourData, colourSize, colour) < 0) ok = 0;
  if (ok && alphaData && Decode(alphaData, alphaSize, alpha) < 0) ok = 0;
  if (ok && alphaData) ok = FitAndTurn(alpha, reverse) == 0;
  // White made after the alpha image's fitting matches its size, so the
  // pair can become one graph.
  if (ok && !colourData) ok = alphaData && MakeWhite(alpha->width, alpha->height, colour) == 0;
  if (ok && bump) ok = MakeNormalMap(colour, bumpHeight) == 0;
  if (ok && colourData) ok = FitAndTurn(colour, reverse) == 0;
  // An alpha image of another size than the colour image (a file of its
  // own, or the white stand-in for a missing one) is scaled to it, so the
  // pair can become one graph.
  if (ok && alphaData) ok = ScaleTo(alpha, colour->width, colour->height) == 0;
  if (ok) return 0;
  FreeBaseImage(colour);
  FreeBaseImage(alpha);
  return -1;
}

int ImageHasTranslucentPixel(const BASEIMAGE *image) {
  if (image->format.alphaBits == 0) return 0;
  for (int y = 0; y < image->height; y++) {
    for (int x = 0; x < image->width; x++) {
      int a = 255;
      ReadBaseImagePixel(image, x, y, NULL, NULL, NULL, &a);
      if (a != 255) return 1;
    }
  }
  return 0;
}
