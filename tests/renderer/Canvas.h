#pragma once
// An off-screen SDL software renderer whose pixels tests can read, plus
// helpers to make solid-colour I420 pictures.
#include <SDL.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace rendertest {

struct SurfaceFree {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
struct RendererFree {
    void operator()(SDL_Renderer* r) const { SDL_DestroyRenderer(r); }
};

class Canvas {
public:
    Canvas(int w, int h)
        : m_surface(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888)),
          m_renderer(m_surface ? SDL_CreateSoftwareRenderer(m_surface.get()) : nullptr)
    {
    }
    bool Ok() const { return m_renderer != nullptr; }
    SDL_Renderer* Renderer() const { return m_renderer.get(); }

    void Clear(SDL_Color c)
    {
        SDL_SetRenderDrawColor(Renderer(), c.r, c.g, c.b, c.a);
        SDL_RenderClear(Renderer());
        SDL_RenderFlush(Renderer());
    }
    SDL_Color At(int x, int y)
    {
        SDL_RenderFlush(Renderer());
        const auto* row = static_cast<const uint8_t*>(m_surface->pixels) + size_t(y) * size_t(m_surface->pitch);
        const uint32_t p = reinterpret_cast<const uint32_t*>(row)[x];
        return SDL_Color{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)};
    }

private:
    std::unique_ptr<SDL_Surface, SurfaceFree> m_surface;
    std::unique_ptr<SDL_Renderer, RendererFree> m_renderer;
};

inline bool Same(SDL_Color a, SDL_Color b, int tol = 0)
{
    return std::abs(a.r - b.r) <= tol && std::abs(a.g - b.g) <= tol && std::abs(a.b - b.b) <= tol;
}

// A picture of one colour in Y'CbCr.
inline std::vector<uint8_t> SolidI420(int w, int h, uint8_t y, uint8_t u, uint8_t v)
{
    const size_t luma = size_t(w) * size_t(h);
    const size_t chroma = size_t((w + 1) / 2) * size_t((h + 1) / 2);
    std::vector<uint8_t> pic(luma + 2 * chroma);
    std::fill(pic.begin(), pic.begin() + luma, y);
    std::fill(pic.begin() + luma, pic.begin() + luma + chroma, u);
    std::fill(pic.begin() + luma + chroma, pic.end(), v);
    return pic;
}

}  // namespace rendertest
