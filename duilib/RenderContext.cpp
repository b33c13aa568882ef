#include "RenderContext.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <algorithm>
#include <cmath>

namespace DuiLib {
namespace {
constexpr size_t kTextCacheLimit = 768;

SDL_Color ToColor(DWORD argb) {
    return SDL_Color{static_cast<Uint8>((argb >> 16) & 0xFF), static_cast<Uint8>((argb >> 8) & 0xFF),
                     static_cast<Uint8>(argb & 0xFF), static_cast<Uint8>((argb >> 24) & 0xFF)};
}

size_t Utf8CharLen(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c >> 5) == 0x6) return 2;
    if ((c >> 4) == 0xE) return 3;
    if ((c >> 3) == 0x1E) return 4;
    return 1;
}
}  // namespace

CRenderContext::~CRenderContext() {
    ReleaseTextures();
    if (m_renderer) SDL_DestroyRenderer(m_renderer);
    if (m_surface) SDL_FreeSurface(m_surface);
}

void CRenderContext::ReleaseTextures() {
    for (auto& kv : m_images) if (kv.second) SDL_DestroyTexture(kv.second);
    m_images.clear();
    for (auto& kv : m_texts) if (kv.second.surf) SDL_FreeSurface(kv.second.surf);
    m_texts.clear();
    m_textLru.clear();
    m_measures.clear();
}

bool CRenderContext::Resize(int width, int height, float scale) {
    width = std::max(1, width);
    height = std::max(1, height);
    if (m_surface && width == m_width && height == m_height && scale == m_scale) return true;
    ReleaseTextures();
    if (m_renderer) SDL_DestroyRenderer(m_renderer);
    if (m_surface) SDL_FreeSurface(m_surface);
    m_renderer = nullptr;
    m_width = width;
    m_height = height;
    m_scale = scale;
    int pw = static_cast<int>(std::lround(width * scale));
    int ph = static_cast<int>(std::lround(height * scale));
    m_surface = SDL_CreateRGBSurfaceWithFormat(0, pw, ph, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!m_surface) return false;
    m_renderer = SDL_CreateSoftwareRenderer(m_surface);
    if (!m_renderer) return false;
    SDL_SetRenderDrawBlendMode(m_renderer, SDL_BLENDMODE_BLEND);
    SDL_RenderSetScale(m_renderer, scale, scale);
    m_clips.assign(1, MakeRect(0, 0, width, height));
    return true;
}

void CRenderContext::ApplyClip() {
    const RECT& c = m_clips.back();
    SDL_Rect r{c.left, c.top, std::max(0, c.Width()), std::max(0, c.Height())};
    SDL_RenderSetClipRect(m_renderer, &r);
}

void CRenderContext::PushClip(const RECT& rc) {
    RECT out;
    IntersectRect(out, m_clips.back(), rc);
    m_clips.push_back(out);
    ApplyClip();
}

void CRenderContext::PopClip() {
    if (m_clips.size() > 1) m_clips.pop_back();
    ApplyClip();
}

void CRenderContext::FillRect(const RECT& rc, DWORD argb) {
    if (!m_surface || (argb >> 24) == 0 || rc.IsEmpty()) return;
    RECT r;
    if (!IntersectRect(r, rc, m_clips.back())) return;
    // Filled here rather than through the renderer: SDL's own small-rect fills cost ~10x more.
    SDL_RenderFlush(m_renderer);
    int x0 = static_cast<int>(std::lround(r.left * m_scale)), x1 = static_cast<int>(std::lround(r.right * m_scale));
    int y0 = static_cast<int>(std::lround(r.top * m_scale)), y1 = static_cast<int>(std::lround(r.bottom * m_scale));
    x1 = std::min(x1, m_surface->w);
    y1 = std::min(y1, m_surface->h);
    if (x1 <= x0 || y1 <= y0) return;
    Uint32 a = argb >> 24;
    for (int y = y0; y < y1; ++y) {
        Uint32* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(m_surface->pixels) + y * m_surface->pitch) + x0;
        if (a == 255) {
            std::fill_n(row, x1 - x0, argb);
            continue;
        }
        Uint32 inv = 255 - a;
        Uint32 sr = ((argb >> 16) & 0xFF) * a, sg = ((argb >> 8) & 0xFF) * a, sb = (argb & 0xFF) * a;
        for (int x = 0; x < x1 - x0; ++x) {
            Uint32 d = row[x];
            Uint32 r8 = (sr + ((d >> 16) & 0xFF) * inv) / 255;
            Uint32 g8 = (sg + ((d >> 8) & 0xFF) * inv) / 255;
            Uint32 b8 = (sb + (d & 0xFF) * inv) / 255;
            row[x] = 0xFF000000u | (r8 << 16) | (g8 << 8) | b8;
        }
    }
}

void CRenderContext::DrawBorder(const RECT& rc, int size, DWORD argb) {
    if (size <= 0) return;
    FillRect(MakeRect(rc.left, rc.top, rc.right, rc.top + size), argb);
    FillRect(MakeRect(rc.left, rc.bottom - size, rc.right, rc.bottom), argb);
    FillRect(MakeRect(rc.left, rc.top + size, rc.left + size, rc.bottom - size), argb);
    FillRect(MakeRect(rc.right - size, rc.top + size, rc.right, rc.bottom - size), argb);
}

void CRenderContext::DrawLine(float x1, float y1, float x2, float y2, float width, DWORD argb) {
    if (!m_renderer) return;
    float dx = x2 - x1, dy = y2 - y1;
    float len = std::sqrt(dx * dx + dy * dy);
    if (len < 0.001f) return;
    float nx = -dy / len * width / 2, ny = dx / len * width / 2;
    SDL_Color c = ToColor(argb);
    SDL_SetRenderDrawBlendMode(m_renderer, SDL_BLENDMODE_BLEND);
    SDL_Vertex v[4] = {
        {{x1 + nx, y1 + ny}, c, {0, 0}}, {{x2 + nx, y2 + ny}, c, {0, 0}},
        {{x2 - nx, y2 - ny}, c, {0, 0}}, {{x1 - nx, y1 - ny}, c, {0, 0}}};
    const int idx[6] = {0, 1, 2, 0, 2, 3};
    SDL_RenderGeometry(m_renderer, nullptr, v, 4, idx, 6);
}

void CRenderContext::FillCircle(float cx, float cy, float r, DWORD argb) {
    if (!m_renderer) return;
    constexpr int kSeg = 24;
    SDL_Color c = ToColor(argb);
    SDL_SetRenderDrawBlendMode(m_renderer, SDL_BLENDMODE_BLEND);
    SDL_Vertex v[kSeg + 1];
    int idx[kSeg * 3];
    v[0] = {{cx, cy}, c, {0, 0}};
    for (int i = 0; i < kSeg; ++i) {
        float a = static_cast<float>(i) * 6.2831853f / kSeg;
        v[i + 1] = {{cx + r * std::cos(a), cy + r * std::sin(a)}, c, {0, 0}};
        idx[i * 3] = 0;
        idx[i * 3 + 1] = i + 1;
        idx[i * 3 + 2] = (i + 1) % kSeg + 1;
    }
    SDL_RenderGeometry(m_renderer, nullptr, v, kSeg + 1, idx, kSeg * 3);
}

SDL_Texture* CRenderContext::ImageTexture(const std::string& path, int& w, int& h) {
    auto it = m_images.find(path);
    SDL_Texture* tex = nullptr;
    if (it != m_images.end()) {
        tex = it->second;
    } else {
        SDL_Surface* s = ImageCache::Instance().Get(path);
        if (s) {
            tex = SDL_CreateTextureFromSurface(m_renderer, s);
            if (tex) SDL_SetTextureBlendMode(tex, SDL_BLENDMODE_BLEND);
        }
        m_images.emplace(path, tex);
    }
    if (tex) SDL_QueryTexture(tex, nullptr, nullptr, &w, &h);
    return tex;
}

bool CRenderContext::DrawImage(const RECT& rc, const std::string& resourcePath, const std::string& attr) {
    if (!m_renderer || attr.empty()) return false;
    TDrawInfo info = TDrawInfo::Parse(attr);
    if (info.file.empty()) return false;
    std::string path = info.file[0] == '/' ? info.file : resourcePath + info.file;
    int iw = 0, ih = 0;
    SDL_Texture* tex = ImageTexture(path, iw, ih);
    if (!tex) return false;
    RECT src = info.hasSource ? info.source : MakeRect(0, 0, iw, ih);
    src.right = std::min(src.right, iw);
    src.bottom = std::min(src.bottom, ih);
    RECT dst = rc;
    if (info.hasDest) {
        dst = MakeRect(rc.left + info.dest.left, rc.top + info.dest.top, rc.left + info.dest.right, rc.top + info.dest.bottom);
        dst.right = std::min(dst.right, rc.right);
        dst.bottom = std::min(dst.bottom, rc.bottom);
    }
    if (src.IsEmpty() || dst.IsEmpty()) return false;
    SDL_SetTextureAlphaMod(tex, static_cast<Uint8>(std::clamp(info.fade, 0, 255)));
    const RECT& k = info.corner;
    if (k.left == 0 && k.top == 0 && k.right == 0 && k.bottom == 0) {
        SDL_Rect s{src.left, src.top, src.Width(), src.Height()};
        SDL_Rect d{dst.left, dst.top, dst.Width(), dst.Height()};
        SDL_RenderCopy(m_renderer, tex, &s, &d);
        return true;
    }
    // Nine-patch: corners keep their size, edges stretch one way, the middle both ways.
    int sx[4] = {src.left, src.left + k.left, src.right - k.right, src.right};
    int sy[4] = {src.top, src.top + k.top, src.bottom - k.bottom, src.bottom};
    int dx[4] = {dst.left, dst.left + k.left, dst.right - k.right, dst.right};
    int dy[4] = {dst.top, dst.top + k.top, dst.bottom - k.bottom, dst.bottom};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            SDL_Rect s{sx[col], sy[row], sx[col + 1] - sx[col], sy[row + 1] - sy[row]};
            SDL_Rect d{dx[col], dy[row], dx[col + 1] - dx[col], dy[row + 1] - dy[row]};
            if (s.w <= 0 || s.h <= 0 || d.w <= 0 || d.h <= 0) continue;
            SDL_RenderCopy(m_renderer, tex, &s, &d);
        }
    }
    return true;
}

const CRenderContext::TextTex* CRenderContext::TextTexture(TTF_Font* font, const std::string& utf8) {
    std::string key(reinterpret_cast<const char*>(&font), sizeof(font));
    key += utf8;
    auto it = m_texts.find(key);
    if (it != m_texts.end()) {
        m_textLru.splice(m_textLru.begin(), m_textLru, it->second.lru);
        return &it->second;
    }
    SDL_Surface* raw = TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    if (!raw) return nullptr;
    SDL_Surface* s = raw->format->format == SDL_PIXELFORMAT_ARGB8888 ? raw : SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0);
    if (s != raw) SDL_FreeSurface(raw);
    if (!s) return nullptr;
    if (m_texts.size() >= kTextCacheLimit) {
        auto victim = m_texts.find(m_textLru.back());
        if (victim != m_texts.end()) {
            SDL_FreeSurface(victim->second.surf);
            m_texts.erase(victim);
        }
        m_textLru.pop_back();
    }
    m_textLru.push_front(key);
    auto res = m_texts.emplace(key, TextTex{s, s->w, s->h, m_textLru.begin()});
    return &res.first->second;
}

// Text is an alpha mask blended in the caller's colour straight into the surface; going through the
// renderer cost a texture copy with colour modulation per label.
void CRenderContext::BlendMask(const SDL_Surface* mask, int dx, int dy, DWORD argb, const RECT& clipLogical) {
    RECT clip;
    if (!IntersectRect(clip, clipLogical, m_clips.back())) return;
    int cx0 = static_cast<int>(std::lround(clip.left * m_scale)), cx1 = static_cast<int>(std::lround(clip.right * m_scale));
    int cy0 = static_cast<int>(std::lround(clip.top * m_scale)), cy1 = static_cast<int>(std::lround(clip.bottom * m_scale));
    int x0 = std::max(dx, cx0), x1 = std::min({dx + mask->w, cx1, m_surface->w});
    int y0 = std::max(dy, cy0), y1 = std::min({dy + mask->h, cy1, m_surface->h});
    if (x1 <= x0 || y1 <= y0) return;
    SDL_RenderFlush(m_renderer);
    Uint32 ca = argb >> 24, cr = (argb >> 16) & 0xFF, cg = (argb >> 8) & 0xFF, cb = argb & 0xFF;
    for (int y = y0; y < y1; ++y) {
        const Uint32* src = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(mask->pixels) + (y - dy) * mask->pitch) - dx;
        Uint32* dst = reinterpret_cast<Uint32*>(static_cast<Uint8*>(m_surface->pixels) + y * m_surface->pitch);
        for (int x = x0; x < x1; ++x) {
            Uint32 a = ((src[x] >> 24) * ca + 127) / 255;
            if (a == 0) continue;
            Uint32 d = dst[x], inv = 255 - a;
            Uint32 r = (cr * a + ((d >> 16) & 0xFF) * inv) / 255;
            Uint32 g = (cg * a + ((d >> 8) & 0xFF) * inv) / 255;
            Uint32 b = (cb * a + (d & 0xFF) * inv) / 255;
            dst[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
}

SIZE CRenderContext::MeasureText(const std::string& utf8, const TFontInfo& fi) {
    SIZE sz;
    TTF_Font* font = FontManager::Instance().GetFont(fi, m_scale);
    if (!font) return sz;
    std::string key(reinterpret_cast<const char*>(&font), sizeof(font));
    key += utf8;
    auto it = m_measures.find(key);
    if (it != m_measures.end()) return it->second;
    int w = 0, h = 0;
    if (!utf8.empty()) TTF_SizeUTF8(font, utf8.c_str(), &w, &h);
    sz.cx = static_cast<int>(std::ceil(w / m_scale));
    sz.cy = static_cast<int>(std::ceil(TTF_FontHeight(font) / m_scale));
    if (m_measures.size() > 4096) m_measures.clear();
    m_measures.emplace(std::move(key), sz);
    return sz;
}

int CRenderContext::LineHeight(const TFontInfo& fi) {
    TTF_Font* font = FontManager::Instance().GetFont(fi, m_scale);
    return font ? static_cast<int>(std::ceil(TTF_FontLineSkip(font) / m_scale)) : fi.size;
}

void CRenderContext::DrawTextLine(int x, int y, const std::string& utf8, const TFontInfo& fi, DWORD argb, const RECT& clip) {
    if (utf8.empty() || !m_surface) return;
    TTF_Font* font = FontManager::Instance().GetFont(fi, m_scale);
    if (!font) return;
    const TextTex* t = TextTexture(font, utf8);
    if (!t) return;
    BlendMask(t->surf, static_cast<int>(std::lround(x * m_scale)), static_cast<int>(std::lround(y * m_scale)), argb, clip);
}

std::vector<std::string> CRenderContext::WrapText(const std::string& utf8, const TFontInfo& fi, int width) {
    std::vector<std::string> lines;
    std::string line;
    size_t lastSpace = std::string::npos;
    size_t i = 0;
    while (i < utf8.size()) {
        if (utf8[i] == '\n') {
            lines.push_back(line);
            line.clear();
            lastSpace = std::string::npos;
            ++i;
            continue;
        }
        size_t n = std::min(Utf8CharLen(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
        std::string candidate = line + utf8.substr(i, n);
        if (!line.empty() && MeasureText(candidate, fi).cx > width) {
            if (utf8[i] == ' ') {  // break at this space and swallow it
                lines.push_back(line);
                line.clear();
                lastSpace = std::string::npos;
                i += n;
                continue;
            }
            if (lastSpace != std::string::npos && lastSpace > 0) {
                lines.push_back(line.substr(0, lastSpace));
                line = line.substr(lastSpace + 1);
            } else {
                lines.push_back(line);
                line.clear();
            }
            lastSpace = std::string::npos;
            continue;  // retry this character on the new line
        }
        if (utf8[i] == ' ') lastSpace = line.size();
        else if (n > 1) lastSpace = std::string::npos;  // CJK may break anywhere; do not jump back past it
        line = candidate;
        i += n;
    }
    lines.push_back(line);
    return lines;
}

std::string CRenderContext::Ellipsize(const std::string& utf8, const TFontInfo& fi, int width) {
    if (MeasureText(utf8, fi).cx <= width) return utf8;
    std::string s = utf8;
    while (!s.empty()) {
        size_t cut = s.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
        s.resize(cut);
        if (MeasureText(s + "...", fi).cx <= width) break;
    }
    return s + "...";
}

void CRenderContext::DrawText(const RECT& rc, const std::string& utf8, const TFontInfo& fi, DWORD argb, UINT style) {
    if (utf8.empty() || rc.IsEmpty()) return;
    std::vector<std::string> lines;
    if (style & DT_WORDBREAK) {
        lines = WrapText(utf8, fi, rc.Width());
    } else {
        std::string one = utf8;
        one.erase(std::remove(one.begin(), one.end(), '\n'), one.end());
        if (style & DT_END_ELLIPSIS) one = Ellipsize(one, fi, rc.Width());
        lines.push_back(one);
    }
    int lh = LineHeight(fi);
    int total = lh * static_cast<int>(lines.size());
    int y = rc.top;
    if (style & DT_VCENTER) y = rc.top + (rc.Height() - total) / 2;
    else if (style & DT_BOTTOM) y = rc.bottom - total;
    for (const auto& ln : lines) {
        int w = MeasureText(ln, fi).cx;
        int x = rc.left;
        if (style & DT_CENTER) x = rc.left + (rc.Width() - w) / 2;
        else if (style & DT_RIGHT) x = rc.right - w;
        DrawTextLine(x, y, ln, fi, argb, rc);
        y += lh;
    }
}

}  // namespace DuiLib
