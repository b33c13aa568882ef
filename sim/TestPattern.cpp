#include "sim/TestPattern.h"

#include <algorithm>
#include <cmath>

#include "sim/TextRenderer.h"

namespace sim {

TestPattern::TestPattern(int width, int height, int hue) : m_width(width), m_height(height), m_hue(hue) {}

void TestPattern::Draw(std::vector<uint8_t>& img, int index, const PtzPosition& ptz,
                       const std::vector<std::string>& lines) const {
    const int w = m_width, h = m_height;
    img.resize(static_cast<size_t>(w) * h * 3 / 2);
    uint8_t* Y = img.data();
    uint8_t* U = Y + w * h;
    uint8_t* V = U + (w / 2) * (h / 2);
    // World coordinates: one grid cell is 1/8 of the width at zoom 1; a
    // full pan turn moves the scene by 8 widths.
    const double cell = w / 8.0 * ptz.zoom;
    const double offX = ptz.pan / 45.0 * w;
    const double offY = -ptz.tilt / 45.0 * h;
    std::vector<int> colX(w);
    for (int x = 0; x < w; ++x) colX[x] = static_cast<int>(std::floor(((x - w / 2) + offX * ptz.zoom) / cell));
    for (int y = 0; y < h; ++y) {
        int cy = static_cast<int>(std::floor(((y - h / 2) + offY * ptz.zoom) / cell));
        uint8_t* row = Y + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) row[x] = static_cast<uint8_t>(((colX[x] + cy) & 1) ? 170 : 80 + (y * 40) / h);
        if (y % 2 == 0) {
            uint8_t* ur = U + (y / 2) * (w / 2);
            uint8_t* vr = V + (y / 2) * (w / 2);
            for (int x = 0; x < w / 2; ++x) {
                int c = colX[2 * x] * 7 + cy * 13 + m_hue;
                ur[x] = static_cast<uint8_t>(128 + ((c * 37) % 64) - 32);
                vr[x] = static_cast<uint8_t>(128 + ((c * 53) % 64) - 32);
            }
        }
    }
    // A bar sweeping left to right once per 2 seconds at 25 fps.
    int barW = std::max(4, w / 16);
    int barX = (index * (w + barW) / 50) % (w + barW) - barW;
    for (int y = h * 3 / 4; y < h * 3 / 4 + h / 12 && y < h; ++y)
        for (int x = std::max(0, barX); x < std::min(w, barX + barW); ++x) Y[y * w + x] = 235;
    int lineH = std::max(16, h / 14);
    for (size_t i = 0; i < lines.size(); ++i) DrawText(img, 8, 6 + static_cast<int>(i) * (lineH + 4), lines[i]);
}

void TestPattern::DrawText(std::vector<uint8_t>& img, int x0, int y0, const std::string& utf8) const {
    TextMask m = TextRenderer::ForSize(std::max(16, m_height / 16)).Render(utf8);
    uint8_t* Y = img.data();
    for (int y = 0; y < m.height; ++y) {
        int py = y0 + y;
        if (py < 0 || py + 1 >= m_height) continue;
        for (int x = 0; x < m.width; ++x) {
            int px = x0 + x;
            if (px < 0 || px + 1 >= m_width) continue;
            if (m.pixels[static_cast<size_t>(y) * m.width + x]) {
                Y[py * m_width + px] = 235;
                if (Y[(py + 1) * m_width + px + 1] != 235) Y[(py + 1) * m_width + px + 1] = 16;
            }
        }
    }
}

}  // namespace sim
