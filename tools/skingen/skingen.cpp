// Writes every skin bitmap and app.ico into the given folder: <id>.png for the ids named after
// --png (the big pictures, stored compressed), <id>.bmp for the others.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "art.h"
#include "encode.h"

namespace {

bool writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) std::cerr << "skingen: cannot write " << path.string() << "\n";
    return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> pngIds;
    const bool withPng = argc > 2 && std::string(argv[2]) == "--png";
    for (int i = 3; withPng && i < argc; ++i) pngIds.push_back(std::atoi(argv[i]));
    if (argc < 2 || (argc > 2 && !withPng)) {
        std::cerr << "usage: skingen <output-dir> [--png <id>...]\n";
        return 2;
    }
    try {
        const std::filesystem::path dir = argv[1];
        std::filesystem::create_directories(dir);

        const skingen::Skin skin = skingen::makeSkin();
        const auto problems = skingen::checkSkin(skin);
        for (const auto& p : problems) std::cerr << "skingen: " << p << "\n";
        if (!problems.empty()) return 1;

        for (int id : pngIds)
            if (std::none_of(skin.bitmaps.begin(), skin.bitmaps.end(), [id](const auto& b) { return b.first == id; })) {
                std::cerr << "skingen: --png " << id << " is not a skin image\n";
                return 2;
            }
        for (const auto& [id, image] : skin.bitmaps) {
            const bool png = std::find(pngIds.begin(), pngIds.end(), id) != pngIds.end();
            const std::string name = std::to_string(id);
            // The other form, left by an earlier run, would be read in place of this one.
            std::filesystem::remove(dir / (name + (png ? ".bmp" : ".png")));
            if (!writeFile(dir / (name + (png ? ".png" : ".bmp")), png ? skingen::encodePng(image) : skingen::encodeBmp(image)))
                return 1;
        }
        if (!writeFile(dir / "app.ico", skingen::encodeIco(skin.icon))) return 1;
    } catch (const std::exception& e) {
        std::cerr << "skingen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
