#include "FontManager.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <unistd.h>

namespace DuiLib {
namespace {
const char kFixedFont[] = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

std::string FontconfigLookup() {
    std::string path;
    if (!FcInit()) return path;
    FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>("WenQuanYi Micro Hei:lang=zh-cn"));
    if (!pat) return path;
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pat, &res);
    if (match) {
        FcChar8* file = nullptr;
        FcLangSet* langs = nullptr;
        // Only accept a face that really covers Chinese, or every text turns into boxes.
        bool covers = FcPatternGetLangSet(match, FC_LANG, 0, &langs) == FcResultMatch &&
                      FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("zh-cn")) != FcLangDifferentLang;
        if (covers && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
            path = reinterpret_cast<const char*>(file);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pat);
    return path;
}
}  // namespace

FontManager& FontManager::Instance() {
    static FontManager mgr;
    return mgr;
}

std::string FontManager::LocateCjkFont() {
    if (const char* env = std::getenv("KELVO_FONT"); env && *env && access(env, R_OK) == 0) return env;
    if (access(kFixedFont, R_OK) == 0) return kFixedFont;
    return FontconfigLookup();
}

TTF_Font* FontManager::GetFont(const TFontInfo& info, float scale) {
    if (!m_located) {
        m_located = true;
        m_path = LocateCjkFont();
        if (m_path.empty()) {
            m_error = "no CJK font found: install fonts-wqy-microhei (expected ";
            m_error += kFixedFont;
            m_error += ") or set KELVO_FONT";
            std::fprintf(stderr, "duilib: %s\n", m_error.c_str());
        }
    }
    if (m_path.empty()) return nullptr;
    if (!TTF_WasInit() && TTF_Init() != 0) {
        m_error = std::string("TTF_Init failed: ") + TTF_GetError();
        return nullptr;
    }
    int px = std::max(6, static_cast<int>(std::lround(info.size * scale)));
    auto key = std::make_tuple(px, info.bold, info.underline, info.italic);
    auto it = m_faces.find(key);
    if (it != m_faces.end()) return it->second;
    TTF_Font* font = TTF_OpenFontIndex(m_path.c_str(), px, 0);
    if (!font) {
        m_error = "cannot open font " + m_path + ": " + TTF_GetError();
        std::fprintf(stderr, "duilib: %s\n", m_error.c_str());
        return nullptr;
    }
    int style = TTF_STYLE_NORMAL;
    if (info.bold) style |= TTF_STYLE_BOLD;
    if (info.underline) style |= TTF_STYLE_UNDERLINE;
    if (info.italic) style |= TTF_STYLE_ITALIC;
    TTF_SetFontStyle(font, style);
    TTF_SetFontHinting(font, TTF_HINTING_LIGHT);
    m_faces.emplace(key, font);
    return font;
}

void FontManager::Shutdown() {
    for (auto& kv : m_faces) TTF_CloseFont(kv.second);
    m_faces.clear();
    if (TTF_WasInit()) TTF_Quit();
}

}  // namespace DuiLib
