#include "art.h"

#include <map>

#include "encode.h"

namespace skingen {
namespace {

// Fixed by the window layout the program uses.
constexpr int kWinW = 733, kWinH = 549;
constexpr Rgb kPanel = rgb(3, 77, 128);
// The flat panel reaches two rows above and one below its text area so the
// scroll bar (y 170..419) sits wholly on flat colour.
constexpr int kPanelX0 = 75, kPanelX1 = 677, kPanelY0 = 170, kPanelY1 = 419;
constexpr int kTitleBandEnd = 75;   // separator row
constexpr int kFooterTop = 428;     // separator row
constexpr int kWizBtnX[2] = {425, 582}, kWizBtnY = 464;
constexpr int kPopBtnX[2] = {100, 250}, kPopBtnY = 163;
constexpr int kMinX = 655, kCloseX = 698, kCaptionBtnY = 5;
constexpr int kTrackX = 106, kTrackY = 440;
constexpr int kRadioProbeX = 60, kRadioProbeY = 490;

constexpr Rgb kAccent = rgb(80, 170, 230);
constexpr Rgb kWhite = rgb(255, 255, 255);
constexpr Rgb kBlack = rgb(0, 0, 0);
constexpr Rgb kOutside = rgb(3, 12, 24);

float lerp(float a, float b, float t) { return a + (b - a) * t; }

// Fades a horizontal line in from both ends.
float endsFade(float x, float w, float ramp) { return smooth(0, ramp, x) * smooth(w, w - ramp, x); }

// Vertical gradient, whole-valued per row so the row is uniform after dithering.
void rows(Image& im, int y0, int y1, Rgb top, Rgb bottom) {
    for (int y = y0; y < y1; ++y) {
        Rgb c = whole(mix(top, bottom, y1 - 1 > y0 ? float(y - y0) / float(y1 - 1 - y0) : 0));
        for (int x = 0; x < im.w; ++x) im.set(x, y, c);
    }
}

// Rounded outline of the whole window/popup, with the clipped corners darkened.
void outerFrame(Image& im, float radius, Rgb line, float lineAlpha) {
    auto sd = [&](float px, float py) { return sdRoundRect(px, py, 0, 0, float(im.w), float(im.h), radius); };
    int r = int(radius) + 2;
    for (auto [x0, y0] : {std::pair{0, 0}, {im.w - r, 0}, {0, im.h - r}, {im.w - r, im.h - r}})
        fill(im, x0, y0, x0 + r, y0 + r, [&](float px, float py) { return -sd(px, py); },
             [](float, float) { return kOutside; });
    fill(im, [&](float px, float py) { return std::abs(sd(px, py) + 0.5f) - 0.5f; }, line, lineAlpha);
}

// Chip with an up arrow: the product's mark, on a transparent square.
Image emblem(int size) {
    Image im(size, size, {}, 0);
    const float s = float(size), c = s / 2;
    const float body = 0.31f * s, reach = 0.47f * s, pinHalf = std::max(0.045f * s, 0.75f);
    const int pins = size < 24 ? 2 : 3;
    const Rgb pinCol = rgb(150, 188, 218);
    for (int k = 0; k < pins; ++k) {
        float off = -body + 2 * body * float(k + 1) / float(pins + 1);
        for (int side = 0; side < 4; ++side) {
            float ax = c + off, ay = c + (side & 1 ? 1 : -1) * (body + reach) / 2;
            float hx = pinHalf, hy = (reach - body) / 2 + 0.5f;
            if (side >= 2) {
                std::swap(ax, ay);
                std::swap(hx, hy);
            }
            fill(im, [=](float px, float py) { return sdRoundRect(px, py, ax - hx, ay - hy, ax + hx, ay + hy, 0.5f); },
                 pinCol);
        }
    }
    const float edge = std::max(1.0f, s / 40);
    auto box = [=](float px, float py) {
        return sdRoundRect(px, py, c - body, c - body, c + body, c + body, 0.09f * s);
    };
    fill(im, 0, 0, size, size, box, [](float, float) { return rgb(96, 186, 240); });
    fill(im, 0, 0, size, size, [=](float px, float py) { return box(px, py) + edge; },
         [=](float, float py) { return mix(rgb(34, 104, 166), rgb(10, 42, 82), clamp01((py - c + body) / (2 * body))); });
    const float tri[6] = {c, c - 0.215f * s, c + 0.165f * s, c - 0.015f * s, c - 0.165f * s, c - 0.015f * s};
    const float shaft = 0.06f * s;
    auto arrow = [=](float px, float py) {
        return std::min(sdTriangle(px, py, tri),
                        sdRoundRect(px, py, c - shaft, c - 0.06f * s, c + shaft, c + 0.2f * s, 0.02f * s));
    };
    fill(im, 0, 0, size, size, arrow,
         [=](float, float py) { return mix(kWhite, rgb(140, 220, 255), clamp01((py - c + 0.2f * s) / (0.4f * s))); });
    return im;
}

// Shared window: title band, body, footer, frame. `content` paints the body.
template <class Content>
Image window(Content&& content) {
    Image im(kWinW, kWinH);
    rows(im, kTitleBandEnd + 1, kFooterTop, rgb(13, 46, 82), rgb(9, 32, 60));
    // Faint light spilling from the title band, kept low under the heading text.
    wash(im, 0, kTitleBandEnd + 1, kWinW, 260, kAccent, [](float px, float py) {
        return 0.07f * falloff(len((px - 366) / 2.2f, py - 76), 180);
    });
    content(im);

    rows(im, 0, kTitleBandEnd, rgb(19, 64, 108), rgb(11, 40, 74));
    wash(im, 0, 1, kWinW, 2, kWhite, [](float px, float) { return 0.08f * endsFade(px, kWinW, 40); });
    wash(im, 0, kTitleBandEnd, kWinW, kTitleBandEnd + 1, kAccent,
         [](float px, float) { return 0.55f * endsFade(px, kWinW, 260); });
    wash(im, 0, kTitleBandEnd + 1, kWinW, kTitleBandEnd + 2, kBlack, [](float, float) { return 0.3f; });
    drawOver(im, emblem(40), 26, 18, 0.95f);

    rows(im, kFooterTop + 1, kWinH, rgb(11, 38, 70), rgb(8, 28, 52));
    rows(im, kFooterTop + 30, kWinH, rgb(8, 28, 52), rgb(8, 28, 52));
    wash(im, 0, kFooterTop - 1, kWinW, kFooterTop, kBlack, [](float, float) { return 0.25f; });
    wash(im, 0, kFooterTop, kWinW, kFooterTop + 1, kAccent,
         [](float px, float) { return 0.3f * endsFade(px, kWinW, 260); });

    outerFrame(im, 10, rgb(60, 120, 175), 0.85f);
    return im;
}

Image pageBackground() {
    return window([](Image& im) {
        // Soft shadow and a thin light rim frame the panel; the panel itself stays flat.
        wash(im, kPanelX0 - 12, kPanelY0 - 12, kPanelX1 + 13, kPanelY1 + 14, kBlack, [](float px, float py) {
            float d = sdRoundRect(px, py - 1, kPanelX0, kPanelY0, kPanelX1 + 1, kPanelY1 + 1, 2);
            return d > 0 ? 0.4f * falloff(d, 10) : 0;
        });
        for (int y = kPanelY0 - 1; y <= kPanelY1 + 1; ++y)
            for (int x = kPanelX0 - 1; x <= kPanelX1 + 1; ++x) im.set(x, y, rgb(34, 108, 160));
        for (int y = kPanelY0; y <= kPanelY1; ++y)
            for (int x = kPanelX0; x <= kPanelX1; ++x) im.set(x, y, kPanel);
    });
}

Image introBackground() {
    return window([](Image& im) {
        const float cx = 640, cy = 318;
        wash(im, 1, kTitleBandEnd + 2, kWinW - 1, kFooterTop - 1, kAccent,
             [=](float px, float py) { return 0.2f * falloff(len(px - cx, py - cy), 330); });
        // Rings suggest a sensor's field; they fade before reaching the text column.
        for (int i = 0; i < 6; ++i) {
            float r = 78 + 44 * float(i), a = 0.16f * (1 - float(i) / 6.5f);
            fill(im, 1, kTitleBandEnd + 2, kWinW - 1, kFooterTop - 1,
                 [=](float px, float py) { return std::abs(sdCircle(px, py, cx, cy, r)) - 0.6f; },
                 [](float, float) { return rgb(120, 200, 245); }, a);
        }
        wash(im, 1, kTitleBandEnd + 2, kWinW - 1, kFooterTop - 1, rgb(8, 24, 46),
             [=](float px, float py) { return 0.55f * falloff(len(px - cx, py - cy), 60); });
        drawOver(im, emblem(96), int(cx) - 48, int(cy) - 48, 0.42f);
    });
}

Image popupBackground() {
    Image im(430, 253);
    rows(im, 0, 85, rgb(19, 64, 108), rgb(12, 44, 80));
    rows(im, 86, im.h, rgb(14, 50, 88), rgb(9, 33, 62));
    wash(im, 0, 85, im.w, 86, kAccent, [&](float px, float) { return 0.55f * endsFade(px, float(im.w), 140); });
    wash(im, 0, 86, im.w, 87, kBlack, [](float, float) { return 0.3f; });
    wash(im, 0, 1, im.w, 2, kWhite, [&](float px, float) { return 0.08f * endsFade(px, float(im.w), 30); });
    outerFrame(im, 10, rgb(70, 140, 200), 0.9f);
    return im;
}

enum class Look { Normal, Pressed, Highlighted, Disabled };

// A push button on a copy of what lies behind it, so its corners disappear into the page.
Image button(const Image& ground, Look look, float radius) {
    Image im = ground;
    const float x0 = 2, y0 = 2, x1 = float(im.w) - 2, y1 = float(im.h) - 2;
    auto body = [=](float px, float py) { return sdRoundRect(px, py, x0, y0, x1, y1, radius); };
    struct Style {
        Rgb rim, top, bottom;
        float shine;
    };
    static const std::map<Look, Style> styles = {
        {Look::Normal, {rgb(10, 44, 82), rgb(38, 116, 178), rgb(20, 80, 136), 0.26f}},
        {Look::Pressed, {rgb(5, 26, 50), rgb(12, 50, 90), rgb(22, 74, 124), 0}},
        {Look::Highlighted, {rgb(140, 210, 248), rgb(58, 148, 212), rgb(30, 104, 168), 0.38f}},
        {Look::Disabled, {rgb(54, 66, 78), rgb(38, 48, 58), rgb(34, 43, 53), 0.05f}},
    };
    const Style& st = styles.at(look);

    if (look == Look::Highlighted)
        wash(im, 0, 0, im.w, im.h, kAccent, [&](float px, float py) {
            float d = body(px, py);
            return d > 0 ? 0.5f * falloff(d, 2.5f) : 0;
        });
    else if (look != Look::Pressed)
        wash(im, 0, 0, im.w, im.h, kBlack, [&](float px, float py) {
            float d = body(px, py - 1);
            return d > 0 ? 0.35f * falloff(d, 2) : 0;
        });

    fill(im, 0, 0, im.w, im.h, body, [&](float, float) { return st.rim; });
    auto face = [&](float px, float py) { return body(px, py) + 1; };
    fill(im, 0, 0, im.w, im.h, face, [&](float, float py) { return mix(st.top, st.bottom, (py - y0) / (y1 - y0)); });
    const float mid = (y0 + y1) / 2;
    // Light catching the upper edge, a faint sheen on the upper half; pressed gets an inner shadow.
    wash(im, 0, 0, im.w, im.h, kWhite, [&](float px, float py) {
        float f = face(px, py);
        return st.shine * cover(std::abs(f + 0.5f) - 0.5f) * (1 - smooth(y0, mid, py)) +
               st.shine * 0.18f * cover(f) * (1 - smooth(mid - 2, mid + 1, py));
    });
    if (look == Look::Pressed)
        wash(im, 0, 0, im.w, im.h, kBlack,
             [&](float px, float py) { return 0.45f * cover(face(px, py)) * (1 - smooth(y0 + 1, y0 + 7, py)); });
    return im;
}

}  // namespace

Skin makeSkin() { return {}; }
std::vector<std::string> checkSkin(const Skin&) { return {}; }

}  // namespace skingen
