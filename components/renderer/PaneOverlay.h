#pragma once
#include <SDL.h>

#include <string>
#include <vector>

namespace kelvo {

class TextPainter;

// What a view's stream is doing, in words, with a small icon drawn by code.
enum class PaneIcon { NONE, BUSY, WARNING, ERROR, CLOCK };

struct PaneLabel {
    std::string text;  // UTF-8; empty = nothing to say
    PaneIcon icon = PaneIcon::NONE;
    bool operator==(const PaneLabel& o) const { return text == o.text && icon == o.icon; }
    bool operator!=(const PaneLabel& o) const { return !(*this == o); }
};

// Draws the state badge (icon and words on a 60 % black strip, centred in the
// pane) and the figures block (lines of small text at the pane's top left,
// below the title). Thread: the drawing (UI) thread only.
class PaneOverlay {
public:
    static void DrawLabel(SDL_Renderer* renderer, TextPainter& text, const PaneLabel& label, const SDL_Rect& pane);
    // `top`: where the block starts (below the title strip).
    static void DrawFigures(SDL_Renderer* renderer, TextPainter& text, const std::vector<std::string>& lines,
                            const SDL_Rect& pane, int top);
    // The 60 % black backing of every text drawn over video.
    static void FillStrip(SDL_Renderer* renderer, const SDL_Rect& rect);
    // The icon in a size×size square at (x, y).
    static void DrawIcon(SDL_Renderer* renderer, PaneIcon icon, int x, int y, int size);
};

}  // namespace kelvo
