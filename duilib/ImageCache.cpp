#include "ImageCache.h"

#include <SDL.h>
#include <SDL_image.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace DuiLib {

bool ParseRect(const char* text, RECT& rc) {
    if (!text) return false;
    long v[4] = {0, 0, 0, 0};
    const char* p = text;
    for (int i = 0; i < 4; ++i) {
        while (*p == ' ') ++p;
        char* end = nullptr;
        v[i] = std::strtol(p, &end, 10);
        if (end == p) return false;
        p = end;
        while (*p == ' ') ++p;
        if (i < 3) {
            if (*p != ',') return false;
            ++p;
        }
    }
    rc = MakeRect(static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]), static_cast<int>(v[3]));
    return true;
}

DWORD ParseColor(const char* text) {
    if (!text) return 0;
    while (*text == ' ') ++text;
    if (*text == '#') ++text;
    else if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text += 2;
    size_t n = std::strlen(text);
    DWORD v = static_cast<DWORD>(std::strtoul(text, nullptr, 16));
    if (n <= 6) v |= 0xFF000000u;  // #RRGGBB is opaque
    return v;
}

TDrawInfo TDrawInfo::Parse(const std::string& attr) {
    TDrawInfo info;
    if (attr.find('=') == std::string::npos) {
        info.file = attr;
        return info;
    }
    size_t i = 0;
    while (i < attr.size()) {
        while (i < attr.size() && (attr[i] == ' ' || attr[i] == ';')) ++i;
        size_t eq = attr.find('=', i);
        if (eq == std::string::npos) break;
        std::string key = attr.substr(i, eq - i);
        while (!key.empty() && key.back() == ' ') key.pop_back();
        size_t q = eq + 1;
        while (q < attr.size() && attr[q] == ' ') ++q;
        if (q >= attr.size()) break;
        char quote = attr[q];
        std::string value;
        if (quote == '\'' || quote == '"') {
            size_t end = attr.find(quote, q + 1);
            if (end == std::string::npos) end = attr.size();
            value = attr.substr(q + 1, end - q - 1);
            i = end + 1;
        } else {
            size_t end = attr.find(' ', q);
            if (end == std::string::npos) end = attr.size();
            value = attr.substr(q, end - q);
            i = end;
        }
        if (key == "file" || key == "res") info.file = value;
        else if (key == "source") info.hasSource = ParseRect(value.c_str(), info.source);
        else if (key == "dest") info.hasDest = ParseRect(value.c_str(), info.dest);
        else if (key == "corner") ParseRect(value.c_str(), info.corner);
        else if (key == "fade") info.fade = std::atoi(value.c_str());
    }
    return info;
}

ImageCache& ImageCache::Instance() {
    static ImageCache cache;
    return cache;
}

SDL_Surface* ImageCache::Get(const std::string& fullPath) {
    auto it = m_images.find(fullPath);
    if (it != m_images.end()) return it->second;
    SDL_Surface* loaded = IMG_Load(fullPath.c_str());
    SDL_Surface* converted = nullptr;
    if (loaded) {
        converted = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(loaded);
    } else {
        std::fprintf(stderr, "duilib: cannot load image %s: %s\n", fullPath.c_str(), IMG_GetError());
    }
    m_images.emplace(fullPath, converted);
    return converted;
}

void ImageCache::Clear() {
    for (auto& kv : m_images)
        if (kv.second) SDL_FreeSurface(kv.second);
    m_images.clear();
}

ImageCache::~ImageCache() { Clear(); }

}  // namespace DuiLib
