// Byte-exact writers for the Windows file formats the product loads.
#pragma once

#include <cstdint>
#include <vector>

#include "raster.h"

namespace skingen {

// Rounds to whole channel values with a fixed ordered dither, so gradients do
// not band; values that are already whole come through unchanged.
Image quantise(const Image& im);

// Uncompressed 24-bit bottom-up DIB with file header; alpha is ignored.
std::vector<std::uint8_t> encodeBmp(const Image& im);

// Lossless 8-bit RGB PNG, alpha ignored: the BMP's pixels exactly, for the system's decoder
// (WIC) to read. Each row is filtered as whichever whole-image choice deflates smallest.
std::vector<std::uint8_t> encodePng(const Image& im);

// Classic icon: one 32-bit BGRA DIB (plus AND mask) per image, no PNG entries.
std::vector<std::uint8_t> encodeIco(const std::vector<Image>& images);

}  // namespace skingen
