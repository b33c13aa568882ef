// Locating the CJK font and opening TTF faces by pixel size and style.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <tuple>

typedef struct _TTF_Font TTF_Font;

namespace DuiLib {

struct TFontInfo {
    int size = 12;
    bool bold = false;
    bool underline = false;
    bool italic = false;
};

// Thread: UI. Process-wide cache of opened faces; faces live until Shutdown().
class FontManager {
public:
    static FontManager& Instance();

    // Path of the CJK font: $KELVO_FONT, the fixed WenQuanYi path, then fontconfig. Empty when none.
    static std::string LocateCjkFont();

    // Opens (once) the face for size/style; null with a reason in LastError() when no font is usable.
    TTF_Font* GetFont(const TFontInfo& info, float scale = 1.0f);
    const std::string& LastError() const { return m_error; }
    void Shutdown();

private:
    FontManager() = default;
    std::string m_path;
    std::string m_error;
    bool m_located = false;
    std::map<std::tuple<int, bool, bool, bool>, TTF_Font*> m_faces;
};

}  // namespace DuiLib
