// Writes every skin bitmap (<id>.bmp) and app.ico into the given folder.
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
    if (argc != 2) {
        std::cerr << "usage: skingen <output-dir>\n";
        return 2;
    }
    try {
        const std::filesystem::path dir = argv[1];
        std::filesystem::create_directories(dir);

        const skingen::Skin skin = skingen::makeSkin();
        const auto problems = skingen::checkSkin(skin);
        for (const auto& p : problems) std::cerr << "skingen: " << p << "\n";
        if (!problems.empty()) return 1;

        for (const auto& [id, image] : skin.bitmaps)
            if (!writeFile(dir / (std::to_string(id) + ".bmp"), skingen::encodeBmp(image))) return 1;
        if (!writeFile(dir / "app.ico", skingen::encodeIco(skin.icon))) return 1;
    } catch (const std::exception& e) {
        std::cerr << "skingen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
