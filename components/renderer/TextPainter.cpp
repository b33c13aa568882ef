#include "TextPainter.h"

#include <SDL_ttf.h>

namespace kelvo {

namespace {
// Titles change rarely; this bound only stops a stream of unique texts from
// growing the cache without end.
constexpr size_t kMaxCached = 256;

Uint32 Pack(SDL_Color c)
{
    return (Uint32(c.r) << 24) | (Uint32(c.g) << 16) | (Uint32(c.b) << 8) | c.a;
}
}  // namespace

TextPainter::TextPainter(std::string fontPath, int pixelSize)
    : m_fontPath(std::move(fontPath)), m_pixelSize(pixelSize)
{
    // SDL_ttf counts its users, so each painter takes and drops its own reference.
    m_ttfInit = TTF_Init() == 0;
}

TextPainter::~TextPainter()
{
    m_cache.clear();
    m_font.reset();
    if (m_ttfInit)
        TTF_Quit();
}

void TextPainter::SetFontPath(const std::string& path)
{
    m_cache.clear();
    m_font.reset();
    m_fontPath = path;
    m_tried = false;
}

bool TextPainter::Ready()
{
    if (m_font)
        return true;
    if (m_tried || !m_ttfInit)
        return false;
    m_tried = true;
    // Face 0 of the collection; at 72 dpi points are pixels.
    m_font.reset(TTF_OpenFontIndex(m_fontPath.c_str(), m_pixelSize, 0));
    if (m_font)
        TTF_SetFontHinting(m_font.get(), TTF_HINTING_NORMAL);
    return m_font != nullptr;
}

int TextPainter::LineHeight()
{
    return Ready() ? TTF_FontHeight(m_font.get()) : 0;
}

void TextPainter::AbandonTextures()
{
    for (auto& kv : m_cache)
        (void)kv.second.texture.release();
    ReleaseTextures();
}

void TextPainter::ReleaseTextures()
{
    m_cache.clear();
    m_cacheOwner = nullptr;
}

const TextPainter::Entry* TextPainter::Lookup(SDL_Renderer* renderer, const std::string& utf8,
                                              SDL_Color colour)
{
    if (renderer == nullptr || utf8.empty() || !Ready())
        return nullptr;
    if (renderer != m_cacheOwner) {
        m_cache.clear();
        m_cacheOwner = renderer;
    }
    Key key(utf8, Pack(colour));
    auto it = m_cache.find(key);
    if (it != m_cache.end())
        return &it->second;

    SurfacePtr surface(TTF_RenderUTF8_Blended(m_font.get(), utf8.c_str(), colour));
    if (!surface)
        return nullptr;
    Entry entry;
    entry.texture.reset(SDL_CreateTextureFromSurface(renderer, surface.get()));
    if (!entry.texture)
        return nullptr;
    SDL_SetTextureBlendMode(entry.texture.get(), SDL_BLENDMODE_BLEND);
    entry.w = surface->w;
    entry.h = surface->h;
    if (m_cache.size() >= kMaxCached)
        m_cache.clear();
    return &m_cache.emplace(std::move(key), std::move(entry)).first->second;
}

bool TextPainter::Measure(SDL_Renderer* renderer, const std::string& utf8, SDL_Color colour, int* w,
                          int* h)
{
    const Entry* e = Lookup(renderer, utf8, colour);
    if (e == nullptr)
        return false;
    *w = e->w;
    *h = e->h;
    return true;
}

bool TextPainter::Draw(SDL_Renderer* renderer, const std::string& utf8, SDL_Color colour, int x, int y)
{
    const Entry* e = Lookup(renderer, utf8, colour);
    if (e == nullptr)
        return false;
    const SDL_Rect dst{x, y, e->w, e->h};
    return SDL_RenderCopy(renderer, e->texture.get(), nullptr, &dst) == 0;
}

}  // namespace kelvo
