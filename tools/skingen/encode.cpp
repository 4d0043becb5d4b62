#include "encode.h"

#include <stdexcept>

namespace skingen {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}

void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

std::uint8_t byte(float v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

void putInfoHeader(Bytes& b, int w, int h, int bits, std::uint32_t imageBytes) {
    put32(b, 40);
    put32(b, std::uint32_t(w));
    put32(b, std::uint32_t(h));
    put16(b, 1);
    put16(b, std::uint32_t(bits));
    put32(b, 0);  // BI_RGB
    put32(b, imageBytes);
    put32(b, 2835);  // 72 dpi
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
}

}  // namespace

Image quantise(const Image& im) {
    static constexpr int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    Image out = im;
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            float t = (bayer[y & 3][x & 3] + 0.5f) / 16;  // strictly inside (0,1)
            auto q = [t](float v) { return std::clamp(std::floor(std::clamp(v, 0.0f, 255.0f) + t), 0.0f, 255.0f); };
            Rgb p = im.get(x, y);
            out.c[out.at(x, y)] = {q(p.r), q(p.g), q(p.b)};
        }
    return out;
}

std::vector<std::uint8_t> encodeBmp(const Image& im) {
    if (im.w <= 0 || im.h <= 0) throw std::invalid_argument("empty image");
    const std::uint32_t stride = (std::uint32_t(im.w) * 3 + 3) & ~3u;
    const std::uint32_t pixelBytes = stride * std::uint32_t(im.h);
    Bytes b;
    b.reserve(54 + pixelBytes);
    b.push_back('B');
    b.push_back('M');
    put32(b, 54 + pixelBytes);
    put32(b, 0);
    put32(b, 54);
    putInfoHeader(b, im.w, im.h, 24, pixelBytes);
    for (int y = im.h - 1; y >= 0; --y) {
        for (int x = 0; x < im.w; ++x) {
            Rgb p = im.get(x, y);
            b.push_back(byte(p.b));
            b.push_back(byte(p.g));
            b.push_back(byte(p.r));
        }
        for (std::uint32_t pad = std::uint32_t(im.w) * 3; pad < stride; ++pad) b.push_back(0);
    }
    return b;
}

std::vector<std::uint8_t> encodeIco(const std::vector<Image>& images) {
    std::vector<Bytes> dibs;
    for (const Image& im : images) {
        if (im.w <= 0 || im.w > 256 || im.h <= 0 || im.h > 256) throw std::invalid_argument("bad icon size");
        const std::uint32_t maskStride = ((std::uint32_t(im.w) + 31) / 32) * 4;
        const std::uint32_t colourBytes = std::uint32_t(im.w * im.h) * 4;
        Bytes d;
        // Icon DIBs declare twice the height: colour rows then the AND mask.
        putInfoHeader(d, im.w, im.h * 2, 32, colourBytes + maskStride * std::uint32_t(im.h));
        for (int y = im.h - 1; y >= 0; --y)
            for (int x = 0; x < im.w; ++x) {
                std::uint8_t alpha = byte(im.a[im.at(x, y)] * 255);
                Rgb p = alpha ? im.get(x, y) : Rgb{};
                d.push_back(byte(p.b));
                d.push_back(byte(p.g));
                d.push_back(byte(p.r));
                d.push_back(alpha);
            }
        for (int y = im.h - 1; y >= 0; --y) {
            Bytes row(maskStride, 0);
            for (int x = 0; x < im.w; ++x)
                if (byte(im.a[im.at(x, y)] * 255) == 0) row[size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
            d.insert(d.end(), row.begin(), row.end());
        }
        dibs.push_back(std::move(d));
    }
    Bytes b;
    put16(b, 0);
    put16(b, 1);  // icon
    put16(b, std::uint32_t(images.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        b.push_back(std::uint8_t(images[i].w & 0xFF));  // 256 is stored as 0
        b.push_back(std::uint8_t(images[i].h & 0xFF));
        b.push_back(0);  // no palette
        b.push_back(0);
        put16(b, 1);
        put16(b, 32);
        put32(b, std::uint32_t(dibs[i].size()));
        put32(b, offset);
        offset += std::uint32_t(dibs[i].size());
    }
    for (const Bytes& d : dibs) b.insert(b.end(), d.begin(), d.end());
    return b;
}

}  // namespace skingen
