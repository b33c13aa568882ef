#include "PaneOverlay.h"

#include "TextPainter.h"

#include <algorithm>
#include <cmath>

namespace kelvo {

namespace {
constexpr SDL_Color kStrip{0x00, 0x00, 0x00, 0x99};  // 60 % black
constexpr SDL_Color kText{0xEB, 0xEB, 0xEB, 0xFF};
constexpr SDL_Color kFigures{0xC8, 0xD2, 0xDC, 0xFF};
constexpr SDL_Color kAmber{0xF0, 0xB4, 0x29, 0xFF};
constexpr SDL_Color kRed{0xE5, 0x48, 0x4D, 0xFF};
constexpr SDL_Color kBlue{0x4C, 0x9B, 0xE8, 0xFF};
constexpr SDL_Color kWhite{0xFF, 0xFF, 0xFF, 0xFF};
constexpr SDL_Color kBlack{0x00, 0x00, 0x00, 0xFF};

void SetColour(SDL_Renderer* r, SDL_Color c) { SDL_SetRenderDrawColor(r, c.r, c.g, c.b, c.a); }

// A disc (or a ring of `ring` pixels) centred in the square, row by row.
void Disc(SDL_Renderer* r, int x, int y, int size, int ring)
{
    const double radius = size / 2.0, cx = x + radius;
    for (int row = 0; row < size; ++row) {
        const double dy = row + 0.5 - radius;
        const double half = std::sqrt(std::max(0.0, radius * radius - dy * dy));
        const int x0 = static_cast<int>(std::lround(cx - half)), x1 = static_cast<int>(std::lround(cx + half));
        if (x1 <= x0)
            continue;
        if (ring <= 0 || std::fabs(dy) > radius - ring) {
            SDL_RenderDrawLine(r, x0, y + row, x1 - 1, y + row);
            continue;
        }
        const double inner = radius - ring;
        const double ih = std::sqrt(std::max(0.0, inner * inner - dy * dy));
        const int i0 = static_cast<int>(std::lround(cx - ih)), i1 = static_cast<int>(std::lround(cx + ih));
        SDL_RenderDrawLine(r, x0, y + row, std::max(x0, i0 - 1), y + row);
        SDL_RenderDrawLine(r, std::min(x1 - 1, i1), y + row, x1 - 1, y + row);
    }
}

}  // namespace

void PaneOverlay::FillStrip(SDL_Renderer* r, const SDL_Rect& rect)
{
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_BLEND);
    SetColour(r, kStrip);
    SDL_RenderFillRect(r, &rect);
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
}

void PaneOverlay::DrawIcon(SDL_Renderer* r, PaneIcon icon, int x, int y, int size)
{
    const int mid = size / 2, bar = std::max(1, size / 6);
    switch (icon) {
    case PaneIcon::NONE:
        return;
    case PaneIcon::BUSY:  // an open ring with a gap at the top right
        SetColour(r, kAmber);
        Disc(r, x, y, size, bar + 1);
        SetColour(r, kBlack);
        {
            const SDL_Rect gap{x + mid + 1, y, size - mid - 1, mid - 1};
            SDL_RenderFillRect(r, &gap);
        }
        return;
    case PaneIcon::WARNING: {  // amber disc with an exclamation mark
        SetColour(r, kAmber);
        Disc(r, x, y, size, 0);
        SetColour(r, kBlack);
        const SDL_Rect stem{x + mid - bar / 2, y + size / 5, bar, size * 2 / 5};
        const SDL_Rect dot{x + mid - bar / 2, y + size * 7 / 10, bar, bar};
        SDL_RenderFillRect(r, &stem);
        SDL_RenderFillRect(r, &dot);
        return;
    }
    case PaneIcon::ERROR: {  // red disc with a white bar: no entry
        SetColour(r, kRed);
        Disc(r, x, y, size, 0);
        SetColour(r, kWhite);
        const SDL_Rect cross{x + size / 4, y + mid - bar / 2, size - size / 2, bar};
        SDL_RenderFillRect(r, &cross);
        return;
    }
    case PaneIcon::CLOCK: {  // blue ring with two hands
        SetColour(r, kBlue);
        Disc(r, x, y, size, bar);
        const SDL_Rect up{x + mid - bar / 2, y + size / 4, bar, mid - size / 4 + bar / 2};
        const SDL_Rect right{x + mid - bar / 2, y + mid - bar / 2, size / 4 + bar / 2, bar};
        SDL_RenderFillRect(r, &up);
        SDL_RenderFillRect(r, &right);
        return;
    }
    }
}

void PaneOverlay::DrawLabel(SDL_Renderer* r, TextPainter& text, const PaneLabel& label, const SDL_Rect& pane)
{
    if (label.text.empty())
        return;
    int w = 0, h = 0;
    if (!text.Measure(r, label.text, kText, &w, &h))
        return;
    const int icon = label.icon == PaneIcon::NONE ? 0 : h - 2;
    const int gap = icon ? 5 : 0, pad = 6;
    const int total = pad + icon + gap + w + pad;
    const SDL_Rect strip{pane.x + (pane.w - total) / 2, pane.y + (pane.h - h - 6) / 2, total, h + 6};
    FillStrip(r, strip);
    DrawIcon(r, label.icon, strip.x + pad, strip.y + 4, icon);
    text.Draw(r, label.text, kText, strip.x + pad + icon + gap, strip.y + 3);
}

void PaneOverlay::DrawFigures(SDL_Renderer* r, TextPainter& text, const std::vector<std::string>& lines,
                              const SDL_Rect& pane, int top)
{
    int width = 0, height = 0;
    std::vector<int> heights;
    for (const auto& line : lines) {
        int w = 0, h = 0;
        if (!text.Measure(r, line, kFigures, &w, &h))
            h = 0;
        width = std::max(width, w);
        heights.push_back(h);
        height += h;
    }
    if (width == 0)
        return;
    FillStrip(r, SDL_Rect{pane.x, top, std::min(pane.w, width + 8), height + 4});
    int y = top + 2;
    for (size_t i = 0; i < lines.size(); ++i) {
        text.Draw(r, lines[i], kFigures, pane.x + 4, y);
        y += heights[i];
    }
}

}  // namespace kelvo
