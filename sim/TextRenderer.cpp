#include "sim/TextRenderer.h"

#include <SDL_ttf.h>

#include <array>
#include <cstdlib>

namespace sim {

namespace {
const char* FontPath() {
    const char* env = std::getenv("KELVOSIM_FONT");
    return env ? env : "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
}
std::mutex g_initLock;     // TTF_Init and font opening
std::mutex g_registryLock;  // the shared renderers
}  // namespace

TextRenderer::TextRenderer(int size) {
    std::lock_guard<std::mutex> g(g_initLock);
    if (!TTF_WasInit() && TTF_Init() != 0) return;
    m_font = TTF_OpenFont(FontPath(), size);
}

TextRenderer::~TextRenderer() {
    if (m_font) TTF_CloseFont(static_cast<TTF_Font*>(m_font));
}

TextRenderer& TextRenderer::ForSize(int size) {
    static std::array<std::unique_ptr<TextRenderer>, 4> renderers;
    static const int sizes[4] = {16, 24, 32, 48};
    int idx = 0;
    while (idx < 3 && sizes[idx] < size) ++idx;
    std::lock_guard<std::mutex> g(g_registryLock);
    if (!renderers[idx]) renderers[idx] = std::unique_ptr<TextRenderer>(new TextRenderer(sizes[idx]));
    return *renderers[idx];
}

TextMask TextRenderer::Render(const std::string& utf8) {
    TextMask mask;
    if (utf8.empty()) return mask;
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_font) return mask;
    SDL_Color white{255, 255, 255, 255};
    SDL_Surface* s = TTF_RenderUTF8_Solid(static_cast<TTF_Font*>(m_font), utf8.c_str(), white);
    if (!s) return mask;
    mask.width = s->w;
    mask.height = s->h;
    mask.pixels.resize(static_cast<size_t>(s->w) * s->h);
    const uint8_t* src = static_cast<const uint8_t*>(s->pixels);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            mask.pixels[static_cast<size_t>(y) * s->w + x] = src[y * s->pitch + x] ? 255 : 0;
    SDL_FreeSurface(s);
    return mask;
}

}  // namespace sim
