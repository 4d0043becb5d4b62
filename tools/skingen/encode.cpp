#include "encode.h"

#include <zlib.h>

#include <cstdlib>
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

// Top-down RGB rows, as PNG holds them.
std::vector<Bytes> rgbRows(const Image& im) {
    std::vector<Bytes> rows(size_t(im.h));
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            Rgb p = im.get(x, y);
            rows[size_t(y)].insert(rows[size_t(y)].end(), {byte(p.r), byte(p.g), byte(p.b)});
        }
    return rows;
}

std::uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return std::uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// One row under one of the five PNG filters, the filter byte first.
Bytes filterRow(const Bytes& row, const Bytes& above, int filter) {
    constexpr size_t bpp = 3;
    Bytes out{std::uint8_t(filter)};
    for (size_t i = 0; i < row.size(); ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0, b = above[i], c = i >= bpp ? above[i - bpp] : 0;
        const int predicted = filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : filter == 4 ? paeth(a, b, c) : 0;
        out.push_back(std::uint8_t(row[i] - predicted));
    }
    return out;
}

// The usual heuristic: the filter whose output is closest to zero.
int smallestFilter(const Bytes& row, const Bytes& above) {
    int best = 0;
    long bestSum = -1;
    for (int f = 0; f < 5; ++f) {
        long sum = 0;
        const Bytes out = filterRow(row, above, f);
        for (size_t i = 1; i < out.size(); ++i) sum += out[i] < 128 ? out[i] : 256 - out[i];
        if (bestSum < 0 || sum < bestSum) best = f, bestSum = sum;
    }
    return best;
}

Bytes deflateFiltered(const std::vector<Bytes>& rows, int filter /* 0..4, or -1: per row */) {
    Bytes raw;
    Bytes above(rows.front().size(), 0);
    for (const Bytes& row : rows) {
        const Bytes out = filterRow(row, above, filter < 0 ? smallestFilter(row, above) : filter);
        raw.insert(raw.end(), out.begin(), out.end());
        above = row;
    }
    uLongf size = compressBound(uLong(raw.size()));
    Bytes packed(size);
    if (compress2(packed.data(), &size, raw.data(), uLong(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("deflate failed");
    packed.resize(size);
    return packed;
}

void putBig32(Bytes& b, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(std::uint8_t(v >> shift));
}

void putChunk(Bytes& b, const char (&type)[5], const Bytes& data) {
    putBig32(b, std::uint32_t(data.size()));
    const size_t start = b.size();
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), data.begin(), data.end());
    putBig32(b, std::uint32_t(crc32(0, b.data() + start, uInt(b.size() - start))));
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

std::vector<std::uint8_t> encodePng(const Image& im) {
    if (im.w <= 0 || im.h <= 0) throw std::invalid_argument("empty image");
    const std::vector<Bytes> rows = rgbRows(im);
    Bytes best;
    for (int filter = -1; filter < 5; ++filter) {
        Bytes packed = deflateFiltered(rows, filter);
        if (best.empty() || packed.size() < best.size()) best = std::move(packed);
    }
    Bytes header;
    putBig32(header, std::uint32_t(im.w));
    putBig32(header, std::uint32_t(im.h));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits a channel, RGB, deflate, adaptive filters, no interlace
    Bytes b{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(b, "IHDR", header);
    putChunk(b, "IDAT", best);
    putChunk(b, "IEND", {});
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
