#pragma once
#include <SDL.h>
#include <SDL_ttf.h>

#include <memory>

namespace kelvo {

// Owners for SDL objects. Textures die with their renderer: release them
// before the renderer goes.
struct SdlTextureDeleter {
    void operator()(SDL_Texture* t) const { SDL_DestroyTexture(t); }
};
struct SdlFontDeleter {
    void operator()(TTF_Font* f) const { TTF_CloseFont(f); }
};
struct SdlSurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};

using TexturePtr = std::unique_ptr<SDL_Texture, SdlTextureDeleter>;
using FontPtr = std::unique_ptr<TTF_Font, SdlFontDeleter>;
using SurfacePtr = std::unique_ptr<SDL_Surface, SdlSurfaceDeleter>;

}  // namespace kelvo
