// Decoded skin images, shared by every window; and the parsed form of image attributes.
#pragma once

#include "UIDefs.h"

#include <map>
#include <string>

struct SDL_Surface;

namespace DuiLib {

// "file='a.png' source='l,t,r,b' dest='l,t,r,b' corner='l,t,r,b' fade='200'" or a bare file name.
struct TDrawInfo {
    std::string file;
    RECT source{};       // empty: the whole image
    RECT dest{};         // empty: the whole control
    RECT corner{};       // nine-patch margins, in image pixels
    int fade = 255;
    bool hasDest = false;
    bool hasSource = false;
    static TDrawInfo Parse(const std::string& attr);
};

// Thread: UI. Images are keyed by full path; a failed load is remembered so it is not retried per frame.
class ImageCache {
public:
    static ImageCache& Instance();
    SDL_Surface* Get(const std::string& fullPath);
    void Clear();
    ~ImageCache();

private:
    ImageCache() = default;
    std::map<std::string, SDL_Surface*> m_images;  // null: load failed
};

bool ParseRect(const char* text, RECT& rc);
DWORD ParseColor(const char* text);

}  // namespace DuiLib
