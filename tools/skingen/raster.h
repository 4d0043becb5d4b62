// Tiny float raster with signed-distance shapes: enough to draw the skin with
// smooth edges and no dependencies.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace skingen {

// Channels in 0..255, kept as float until the final quantisation.
struct Rgb {
    float r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb rgb(int r, int g, int b) { return {float(r), float(g), float(b)}; }

inline float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

inline Rgb mix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Whole-number channels pass dithering untouched, so rows built this way stay
// identical wherever a button image is later cut from them.
inline Rgb whole(Rgb a) { return {std::round(a.r), std::round(a.g), std::round(a.b)}; }

inline float smooth(float e0, float e1, float x) {
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// Soft radial falloff without exp(): identical results on every libm.
inline float falloff(float d, float radius) {
    float t = 1 - clamp01(d / radius) * clamp01(d / radius);
    return t * t;
}

// Fraction of a pixel covered, estimated from the signed distance at its centre.
inline float cover(float sd) { return clamp01(0.5f - sd); }

inline float len(float x, float y) { return std::sqrt(x * x + y * y); }

// Rounded box spanning [x0,x1]x[y0,y1] in pixel-edge coordinates.
inline float sdRoundRect(float px, float py, float x0, float y0, float x1, float y1, float r) {
    float qx = std::abs(px - (x0 + x1) / 2) - ((x1 - x0) / 2 - r);
    float qy = std::abs(py - (y0 + y1) / 2) - ((y1 - y0) / 2 - r);
    return len(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - r;
}

inline float sdCircle(float px, float py, float cx, float cy, float r) { return len(px - cx, py - cy) - r; }

inline float distSegment(float px, float py, float ax, float ay, float bx, float by) {
    float dx = bx - ax, dy = by - ay;
    float t = clamp01(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy));
    return len(px - (ax + t * dx), py - (ay + t * dy));
}

// Triangle given clockwise on screen (y down); exact inside, close enough outside for anti-aliasing.
inline float sdTriangle(float px, float py, const float (&v)[6]) {
    float d = -1e9f;
    for (int i = 0; i < 3; ++i) {
        float ax = v[2 * i], ay = v[2 * i + 1];
        float bx = v[(2 * i + 2) % 6], by = v[(2 * i + 3) % 6];
        float nx = by - ay, ny = ax - bx;
        float l = len(nx, ny);
        d = std::max(d, ((px - ax) * nx + (py - ay) * ny) / l);
    }
    return d;
}

// Non-premultiplied colour plus coverage alpha; opaque images keep alpha 1.
struct Image {
    int w = 0, h = 0;
    std::vector<Rgb> c;
    std::vector<float> a;

    Image() = default;
    Image(int width, int height, Rgb fill = {}, float alpha = 1)
        : w(width), h(height), c(size_t(width) * height, fill), a(size_t(width) * height, alpha) {}

    size_t at(int x, int y) const { return size_t(y) * w + x; }
    Rgb get(int x, int y) const { return c[at(x, y)]; }
    void set(int x, int y, Rgb v) { c[at(x, y)] = v; a[at(x, y)] = 1; }

    void blend(int x, int y, Rgb s, float sa) {
        size_t i = at(x, y);
        float da = a[i], oa = sa + da * (1 - sa);
        if (oa <= 0) return;
        float k = da * (1 - sa) / oa, j = sa / oa;
        c[i] = {s.r * j + c[i].r * k, s.g * j + c[i].g * k, s.b * j + c[i].b * k};
        a[i] = oa;
    }
};

// Blends paint(px,py) wherever sd(px,py) says the shape is, limited to pixels [x0,x1)x[y0,y1).
template <class Sd, class Paint>
void fill(Image& im, int x0, int y0, int x1, int y1, Sd&& sd, Paint&& paint, float opacity = 1) {
    for (int y = std::max(0, y0); y < std::min(im.h, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(im.w, x1); ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float k = cover(sd(px, py)) * opacity;
            if (k > 0) im.blend(x, y, paint(px, py), k);
        }
}

template <class Sd>
void fill(Image& im, Sd&& sd, Rgb col, float opacity = 1) {
    fill(im, 0, 0, im.w, im.h, sd, [col](float, float) { return col; }, opacity);
}

// Per-pixel weight instead of a shape: glows, fades, shading.
template <class Weight>
void wash(Image& im, int x0, int y0, int x1, int y1, Rgb col, Weight&& weight) {
    for (int y = std::max(0, y0); y < std::min(im.h, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(im.w, x1); ++x) {
            float k = clamp01(weight(x + 0.5f, y + 0.5f));
            if (k > 0) im.blend(x, y, col, k);
        }
}

inline Image crop(const Image& src, int x, int y, int w, int h) {
    Image out(w, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) out.set(i, j, src.get(x + i, y + j));
    return out;
}

inline void drawOver(Image& dst, const Image& src, int x, int y, float opacity = 1) {
    for (int j = 0; j < src.h; ++j)
        for (int i = 0; i < src.w; ++i) {
            int dx = x + i, dy = y + j;
            if (dx < 0 || dy < 0 || dx >= dst.w || dy >= dst.h) continue;
            dst.blend(dx, dy, src.get(i, j), src.a[src.at(i, j)] * opacity);
        }
}

}  // namespace skingen
