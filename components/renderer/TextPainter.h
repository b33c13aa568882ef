#pragma once
#include "SdlDeleters.h"

#include <SDL.h>

#include <map>
#include <string>
#include <utility>

namespace kelvo {

// Draws short UTF-8 texts with one font, keeping a texture per (text,
// colour) so that a title is rasterised once, not every frame. When the font
// cannot be opened nothing is drawn and nothing fails.
// Thread: the drawing (UI) thread only.
class TextPainter {
public:
    TextPainter(std::string fontPath, int pixelSize);
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // Takes effect at the next draw; drops the cache.
    void SetFontPath(const std::string& path);

    // True once the font is open (opened on first use).
    bool Ready();
    // Height of a line, 0 without a font.
    int LineHeight();

    // Size of the text as drawn; false without a font or for empty text.
    bool Measure(SDL_Renderer* renderer, const std::string& utf8, SDL_Color colour, int* w, int* h);
    // Draws the text with its top-left corner at (x, y).
    bool Draw(SDL_Renderer* renderer, const std::string& utf8, SDL_Color colour, int x, int y);

    // Forget every texture (they belong to the renderer they were made on).
    void ReleaseTextures();
    // The renderer was destroyed and took the textures with it: drop the
    // handles without destroying them.
    void AbandonTextures();

private:
    struct Entry {
        TexturePtr texture;
        int w = 0;
        int h = 0;
    };
    using Key = std::pair<std::string, Uint32>;

    const Entry* Lookup(SDL_Renderer* renderer, const std::string& utf8, SDL_Color colour);

    std::string m_fontPath;
    int m_pixelSize;
    bool m_ttfInit = false;
    bool m_tried = false;  // an open failed once: do not retry every frame
    FontPtr m_font;
    SDL_Renderer* m_cacheOwner = nullptr;
    std::map<Key, Entry> m_cache;
};

}  // namespace kelvo
