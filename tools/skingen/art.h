// The product's skin artwork, drawn from code so it can be regenerated exactly.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "raster.h"

namespace skingen {

struct Skin {
    std::vector<std::pair<int, Image>> bitmaps;  // resource id, quantised opaque image
    std::vector<Image> icon;                     // 16, 32 and 48 px, with alpha
};

Skin makeSkin();

// Invariants the program relies on when it lays controls over the images;
// returns one line per violation.
std::vector<std::string> checkSkin(const Skin& skin);

}  // namespace skingen
