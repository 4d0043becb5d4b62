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

// Chip with an up arrow: the product's mark, on a transparent square. Edges
// snap to whole pixels so the 16 px icon stays crisp.
Image emblem(int size) {
    Image im(size, size, {}, 0);
    const float s = float(size), c = s / 2;
    const float b0 = std::round(c - 0.31f * s), b1 = s - b0;  // chip body
    const float reach = std::round(c - 0.44f * s);            // outer end of the pins
    const float pinW = 2 * std::max(1.0f, std::round(0.045f * s));
    const int pins = size < 24 ? 2 : 3;
    for (int k = 0; k < pins; ++k) {
        // Left half snapped, right half mirrored, so the pin rows stay symmetric.
        auto start = [&](int i) {
            float centre = b0 + (b1 - b0) * float(i + 1) / float(pins + 1);
            return 2 * i + 1 == pins ? c - pinW / 2 : std::round(centre - pinW / 2);
        };
        const float p0 = 2 * k + 1 <= pins ? start(k) : s - start(pins - 1 - k) - pinW, p1 = p0 + pinW;
        const float spans[4][4] = {{p0, reach, p1, b0 + 1}, {p0, b1 - 1, p1, s - reach},
                                   {reach, p0, b0 + 1, p1}, {b1 - 1, p0, s - reach, p1}};
        for (const auto& r : spans)
            fill(im, [&](float px, float py) { return sdRoundRect(px, py, r[0], r[1], r[2], r[3], 0.3f); },
                 rgb(120, 164, 204));
    }
    const float edge = std::max(1.0f, std::round(s / 32));
    auto box = [=](float px, float py) { return sdRoundRect(px, py, b0, b0, b1, b1, 0.09f * s); };
    fill(im, box, rgb(96, 186, 240));
    fill(im, 0, 0, size, size, [=](float px, float py) { return box(px, py) + edge; },
         [=](float, float py) { return mix(rgb(34, 104, 166), rgb(10, 42, 82), clamp01((py - b0) / (b1 - b0))); });
    const float apex = std::round(c - 0.2f * s), base = std::round(c - 0.02f * s), foot = std::round(c + 0.2f * s);
    const float head = std::round(0.17f * s), shaft = std::max(1.0f, std::round(0.06f * s));
    const float tri[6] = {c, apex, c + head, base, c - head, base};
    auto arrow = [=](float px, float py) {
        return std::min(sdTriangle(px, py, tri), sdRoundRect(px, py, c - shaft, base - 1, c + shaft, foot, 0.3f));
    };
    fill(im, 0, 0, size, size, arrow,
         [=](float, float py) { return mix(kWhite, rgb(140, 220, 255), clamp01((py - apex) / (foot - apex))); });
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

    // Footer darkens quickly, then stays flat where buttons and radio marks sit.
    rows(im, kFooterTop + 1, kFooterTop + 31, rgb(11, 38, 70), rgb(8, 28, 52));
    rows(im, kFooterTop + 31, kWinH, rgb(8, 28, 52), rgb(8, 28, 52));
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
        const float cx = 660, cy = 318;
        wash(im, 1, kTitleBandEnd + 2, kWinW - 1, kFooterTop - 1, kAccent,
             [=](float px, float py) { return 0.2f * falloff(len(px - cx, py - cy), 330); });
        // Rings suggest a sensor's field, fading outward so the text column stays calm.
        for (int i = 0; i < 6; ++i) {
            float r = 78 + 44 * float(i), a = 0.16f * (1 - float(i) / 6.5f);
            fill(im, 1, kTitleBandEnd + 2, kWinW - 1, kFooterTop - 1,
                 [=](float px, float py) { return std::abs(sdCircle(px, py, cx, cy, r)) - 0.6f; },
                 [](float, float) { return rgb(120, 200, 245); }, a);
        }
        wash(im, 1, kTitleBandEnd + 2, kWinW - 1, kFooterTop - 1, rgb(8, 24, 46),
             [=](float px, float py) { return 0.55f * falloff(len(px - cx, py - cy), 60); });
        drawOver(im, emblem(96), int(cx) - 48, int(cy) - 48, 0.32f);
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
               st.shine * 0.18f * cover(f) * (1 - smooth(mid - 4, mid + 1, py));
    });
    if (look == Look::Pressed)
        wash(im, 0, 0, im.w, im.h, kBlack,
             [&](float px, float py) { return 0.45f * cover(face(px, py)) * (1 - smooth(y0 + 1, y0 + 7, py)); });
    return im;
}

enum class Glyph { Minimise, Close };

// Title-bar button: only the glyph at rest; a plate appears on hover and press.
Image captionButton(const Image& ground, Glyph glyph, Look look) {
    Image im = ground;
    auto plate = [](float px, float py) { return sdRoundRect(px, py, 2, 2, 29, 27, 5); };
    const bool close = glyph == Glyph::Close;
    if (look == Look::Highlighted) {
        fill(im, plate, close ? rgb(176, 54, 62) : rgb(36, 112, 172));
        wash(im, 0, 0, im.w, im.h, kWhite, [&](float px, float py) {
            return 0.3f * cover(std::abs(plate(px, py) + 0.5f) - 0.5f) * (1 - smooth(2, 16, py));
        });
    } else if (look == Look::Pressed) {
        fill(im, plate, close ? rgb(118, 32, 40) : rgb(6, 30, 58));
        wash(im, 0, 0, im.w, im.h, kBlack,
             [&](float px, float py) { return 0.4f * cover(plate(px, py)) * (1 - smooth(3, 8, py)); });
    }
    const Rgb ink = look == Look::Normal ? rgb(200, 222, 240) : kWhite;
    const float dy = look == Look::Pressed ? 1 : 0, cx = 15.5f, cy = 14.5f + dy;
    if (close)
        fill(im, [=](float px, float py) {
            return std::min(distSegment(px, py, cx - 4.6f, cy - 4.6f, cx + 4.6f, cy + 4.6f),
                            distSegment(px, py, cx + 4.6f, cy - 4.6f, cx - 4.6f, cy + 4.6f)) - 0.85f;
        }, ink);
    else
        fill(im, [=](float px, float py) { return distSegment(px, py, cx - 5, cy + 0.5f, cx + 5, cy + 0.5f) - 0.85f; },
             ink);
    return im;
}

Image radioMark(Rgb ground, bool chosen) {
    Image im(16, 15, ground);
    const float cx = 8, cy = 7.5f, r = 6.4f;
    fill(im, [=](float px, float py) { return sdCircle(px, py, cx, cy, r); }, rgb(5, 20, 40), 0.8f);
    fill(im, [=](float px, float py) { return std::abs(sdCircle(px, py, cx, cy, r - 0.65f)) - 0.65f; },
         rgb(150, 206, 242));
    if (chosen)
        fill(im, 0, 0, im.w, im.h, [=](float px, float py) { return sdCircle(px, py, cx, cy, 3.1f); },
             [=](float, float py) { return mix(rgb(190, 238, 255), rgb(70, 168, 232), clamp01((py - cy + 3) / 6)); });
    return im;
}

// Recessed groove for the progress bar. The fill lands 3 px from the left and
// 2 px from the top of this image, so the groove hugs that spot rather than
// the full image, keeping the fill visually centred in it.
Image progressTrack(const Image& ground) {
    Image im = ground;
    const float x1 = 518, y1 = 14;
    auto groove = [=](float px, float py) { return sdRoundRect(px, py, 0, 0, x1, y1, 7); };
    fill(im, [=](float px, float py) { return sdRoundRect(px, py, 0, 1, x1, y1 + 1, 7); }, kWhite, 0.1f);
    fill(im, groove, rgb(2, 12, 26));
    fill(im, 0, 0, im.w, im.h, [&](float px, float py) { return groove(px, py) + 1; },
         [=](float, float py) { return mix(rgb(4, 16, 32), rgb(9, 30, 56), py / y1); });
    wash(im, 0, 0, im.w, im.h, kBlack,
         [&](float px, float py) { return 0.4f * cover(groove(px, py) + 1) * (1 - smooth(1, 5, py)); });
    return im;
}

Image progressFill(const Image& ground) {
    Image im = ground;
    const float w = float(im.w), h = float(im.h);
    auto bar = [=](float px, float py) { return sdRoundRect(px, py, 0, 0, w, h, h / 2); };
    fill(im, 0, 0, im.w, im.h, bar, [=](float, float py) {
        float t = py / h;
        return t < 0.35f ? mix(rgb(150, 226, 255), rgb(74, 182, 240), t / 0.35f)
                         : mix(rgb(74, 182, 240), rgb(26, 110, 196), (t - 0.35f) / 0.65f);
    });
    wash(im, 0, 0, im.w, im.h, kWhite, [&](float px, float py) {
        return 0.35f * cover(std::abs(bar(px, py) + 0.5f) - 0.5f) * (1 - smooth(0, h / 2, py));
    });
    return im;
}

// Across the scroll channel: darker edges, a faint light centre line.
Rgb channelColour(int x) {
    static constexpr Rgb profile[12] = {rgb(2, 62, 104),  rgb(2, 68, 114),  rgb(3, 72, 120),  rgb(3, 72, 120),
                                        rgb(3, 72, 120),  rgb(14, 92, 146), rgb(14, 92, 146), rgb(3, 72, 120),
                                        rgb(3, 72, 120),  rgb(3, 72, 120),  rgb(2, 68, 114),  rgb(2, 62, 104)};
    return profile[x];
}

Image scrollChannel(int height) {
    Image im(12, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 12; ++x) im.set(x, y, channelColour(x));
    return im;
}

Image scrollThumb() {
    Image im = scrollChannel(25);
    auto pill = [](float px, float py) { return sdRoundRect(px, py, 1.5f, 1, 10.5f, 24, 4.5f); };
    fill(im, pill, rgb(36, 104, 160));
    fill(im, 0, 0, im.w, im.h, [&](float px, float py) { return pill(px, py) + 1; },
         [](float px, float) { return mix(rgb(150, 212, 246), rgb(88, 164, 222), (px - 2) / 8); });
    for (float y : {10.5f, 12.5f, 14.5f})
        fill(im, [=](float px, float py) { return distSegment(px, py, 4.5f, y, 7.5f, y) - 0.5f; }, rgb(40, 110, 170),
             0.7f);
    return im;
}

Image scrollArrow(bool up) {
    Image im(12, 25, kPanel);
    const float s = up ? 1.0f : -1.0f, cy = 12.5f;
    fill(im, [](float px, float py) { return sdRoundRect(px, py, 1, 2, 11, 23, 3.5f); }, kWhite, 0.05f);
    fill(im, [=](float px, float py) {
        float ty = cy - 1.7f * s, by = cy + 1.7f * s;
        return std::min(distSegment(px, py, 2.8f, by, 6, ty), distSegment(px, py, 6, ty, 9.2f, by)) - 0.85f;
    }, rgb(176, 220, 248));
    return im;
}

Image iconImage(int size) {
    Image im = emblem(size);
    for (Rgb& c : im.c) c = whole(c);
    return im;
}

}  // namespace

Skin makeSkin() {
    Skin skin;
    auto add = [&](int id, const Image& im) { skin.bitmaps.emplace_back(id, quantise(im)); };
    const Image page = quantise(pageBackground());
    const Image popup = quantise(popupBackground());
    add(143, page);
    add(171, introBackground());

    const Image track = quantise(progressTrack(crop(page, kTrackX, kTrackY, 520, 18)));
    add(154, track);
    add(155, progressFill(crop(track, 3, 2, 512, 10)));
    add(157, popup);

    const Image minGround = crop(page, kMinX, kCaptionBtnY, 31, 29);
    const Image closeGround = crop(page, kCloseX, kCaptionBtnY, 31, 29);
    add(162, captionButton(minGround, Glyph::Minimise, Look::Normal));
    add(163, captionButton(minGround, Glyph::Minimise, Look::Pressed));
    add(164, captionButton(minGround, Glyph::Minimise, Look::Highlighted));
    add(165, captionButton(closeGround, Glyph::Close, Look::Normal));
    add(166, captionButton(closeGround, Glyph::Close, Look::Pressed));
    add(168, captionButton(closeGround, Glyph::Close, Look::Highlighted));

    const Rgb radioGround = page.get(kRadioProbeX, kRadioProbeY);
    add(169, radioMark(radioGround, true));
    add(170, radioMark(radioGround, false));

    const Image wizGround = crop(page, kWizBtnX[0], kWizBtnY, 128, 49);
    add(176, button(wizGround, Look::Normal, 8));
    add(177, button(wizGround, Look::Pressed, 8));
    add(178, button(wizGround, Look::Highlighted, 8));
    add(174, button(wizGround, Look::Disabled, 8));

    const Image popGround = crop(popup, kPopBtnX[0], kPopBtnY, 80, 35);
    add(182, button(popGround, Look::Normal, 6));
    add(183, button(popGround, Look::Pressed, 6));
    add(184, button(popGround, Look::Highlighted, 6));

    add(206, scrollArrow(true));
    add(207, scrollArrow(false));
    add(208, scrollChannel(2));
    add(209, scrollThumb());
    add(210, scrollThumb());

    skin.icon = {iconImage(16), iconImage(32), iconImage(48)};
    return skin;
}

std::vector<std::string> checkSkin(const Skin& skin) {
    static const std::map<int, std::pair<int, int>> sizes = {
        {143, {733, 549}}, {171, {733, 549}}, {154, {520, 18}}, {155, {512, 10}}, {157, {430, 253}},
        {162, {31, 29}},   {163, {31, 29}},   {164, {31, 29}},  {165, {31, 29}},  {166, {31, 29}},
        {168, {31, 29}},   {169, {16, 15}},   {170, {16, 15}},  {176, {128, 49}}, {177, {128, 49}},
        {178, {128, 49}},  {174, {128, 49}},  {182, {80, 35}},  {183, {80, 35}},  {184, {80, 35}},
        {206, {12, 25}},   {207, {12, 25}},   {208, {12, 2}},   {209, {12, 25}},  {210, {12, 25}}};
    std::vector<std::string> problems;
    auto fail = [&](const std::string& what) { problems.push_back(what); };
    std::map<int, const Image*> byId;
    for (const auto& [id, im] : skin.bitmaps) {
        const std::string name = std::to_string(id);
        if (!byId.emplace(id, &im).second) fail(name + ": generated twice");
        auto it = sizes.find(id);
        if (it == sizes.end()) {
            fail(name + ": not part of the skin");
            continue;
        }
        if (im.w != it->second.first || im.h != it->second.second) fail(name + ": wrong size");
        for (size_t i = 0; i < im.c.size(); ++i)
            if (!(im.c[i] == whole(im.c[i])) || im.a[i] != 1) {
                fail(name + ": not quantised and opaque");
                break;
            }
    }
    for (const auto& [id, wh] : sizes)
        if (!byId.count(id)) fail(std::to_string(id) + ": missing");
    if (!problems.empty()) return problems;

    const Image& page = *byId[143];
    for (int y = 172; y <= 418; ++y)
        for (int x = 75; x <= 677; ++x)
            if (!(page.get(x, y) == kPanel)) {
                fail("143: panel not flat at " + std::to_string(x) + "," + std::to_string(y));
                y = 419;
                break;
            }

    // Opaque button images only vanish into the page if the page behind them matches their corners.
    auto cornersMatch = [&](int id, int bg, int x, int y) {
        const Image& b = *byId[id];
        const Image& g = *byId[bg];
        for (auto [cx, cy] : {std::pair{0, 0}, {b.w - 1, 0}, {0, b.h - 1}, {b.w - 1, b.h - 1}})
            if (!(b.get(cx, cy) == g.get(x + cx, y + cy)))
                fail(std::to_string(id) + ": corner differs from " + std::to_string(bg) + " at " + std::to_string(x) +
                     "," + std::to_string(y));
    };
    for (int bg : {143, 171}) {
        for (int id : {176, 177, 178, 174})
            for (int x : kWizBtnX) cornersMatch(id, bg, x, kWizBtnY);
        for (int id : {162, 163, 164}) cornersMatch(id, bg, kMinX, kCaptionBtnY);
        for (int id : {165, 166, 168}) cornersMatch(id, bg, kCloseX, kCaptionBtnY);
    }
    for (int id : {182, 183, 184})
        for (int x : kPopBtnX) cornersMatch(id, 157, x, kPopBtnY);
    for (int id : {169, 170}) {
        const Rgb ground = byId[id]->get(0, 0);
        for (int y = 476; y <= 518 - 14; ++y)
            for (int x = 55; x <= 547; ++x)
                if (!(page.get(x, y) == ground)) {
                    fail(std::to_string(id) + ": background differs from 143 at " + std::to_string(x) + "," +
                         std::to_string(y));
                    y = 519;
                    break;
                }
    }

    // The emblem sits on transparency: corners clear, centre solid.
    const int iconSizes[3] = {16, 32, 48};
    if (skin.icon.size() != 3) fail("icon: needs three images");
    for (size_t i = 0; i < skin.icon.size() && i < 3; ++i) {
        const Image& im = skin.icon[i];
        if (im.w != iconSizes[i] || im.h != iconSizes[i])
            fail("icon: image " + std::to_string(i) + " has the wrong size");
        else if (im.a[im.at(0, 0)] != 0 || im.a[im.at(im.w / 2, im.h / 2)] != 1)
            fail("icon: image " + std::to_string(i) + " lacks a clear edge or a solid centre");
    }
    return problems;
}

}  // namespace skingen
