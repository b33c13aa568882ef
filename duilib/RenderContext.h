// A window's drawing target: a software surface with its renderer and texture caches.
#pragma once

#include "ImageCache.h"
#include "FontManager.h"
#include "UIDefs.h"

#include <list>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

struct SDL_Renderer;
struct SDL_Surface;
struct SDL_Texture;

namespace DuiLib {

// Thread: UI. Owned by one paint manager; all coordinates are logical (unscaled) pixels.
class CRenderContext {
public:
    CRenderContext() = default;
    ~CRenderContext();
    CRenderContext(const CRenderContext&) = delete;
    CRenderContext& operator=(const CRenderContext&) = delete;

    // (Re)creates the surface for a logical size; scale > 1 on high-DPI outputs.
    bool Resize(int width, int height, float scale);
    SDL_Surface* Surface() const { return m_surface; }
    SDL_Renderer* Renderer() const { return m_renderer; }
    float Scale() const { return m_scale; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    void PushClip(const RECT& rc);
    void PopClip();
    const RECT& Clip() const { return m_clips.back(); }

    void FillRect(const RECT& rc, DWORD argb);
    void DrawBorder(const RECT& rc, int size, DWORD argb);
    void DrawLine(float x1, float y1, float x2, float y2, float width, DWORD argb);
    void FillCircle(float cx, float cy, float r, DWORD argb);
    // Draws an image attribute into rc (nine-patch by its corner). False when the image is missing.
    bool DrawImage(const RECT& rc, const std::string& resourcePath, const std::string& attr);

    // Text is UTF-8 here. Returns the size of a single line.
    SIZE MeasureText(const std::string& utf8, const TFontInfo& font);
    int LineHeight(const TFontInfo& font);
    void DrawTextLine(int x, int y, const std::string& utf8, const TFontInfo& font, DWORD argb, const RECT& clip);
    // Lays out and draws text with DT_* style; the text must already be plain (no control bytes).
    void DrawText(const RECT& rc, const std::string& utf8, const TFontInfo& font, DWORD argb, UINT style);
    // Breaks text into lines no wider than width (CJK breaks anywhere, latin prefers spaces).
    std::vector<std::string> WrapText(const std::string& utf8, const TFontInfo& font, int width);
    std::string Ellipsize(const std::string& utf8, const TFontInfo& font, int width);

private:
    struct TextTex { SDL_Surface* surf; int w; int h; std::list<std::string>::iterator lru; };
    SDL_Texture* ImageTexture(const std::string& path, int& w, int& h);
    const TextTex* TextTexture(TTF_Font* font, const std::string& utf8);
    void ApplyClip();
    void ReleaseTextures();
    void BlendMask(const SDL_Surface* mask, int dx, int dy, DWORD argb, const RECT& clipLogical);

    SDL_Surface* m_surface = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    int m_width = 0, m_height = 0;
    float m_scale = 1.0f;
    std::vector<RECT> m_clips;
    std::map<std::string, SDL_Texture*> m_images;
    std::unordered_map<std::string, TextTex> m_texts;
    std::list<std::string> m_textLru;
    std::unordered_map<std::string, SIZE> m_measures;  // font + text -> size, cleared when large
};

}  // namespace DuiLib
