// Draws the synthetic camera picture (I420): a grid scene that pans, tilts
// and zooms with the PTZ position, a moving bar, and text lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/PtzState.h"

namespace sim {

class TestPattern {
public:
    TestPattern(int width, int height, int hue);
    // Fills `i420` (width*height*3/2 bytes) for frame `index`.
    void Draw(std::vector<uint8_t>& i420, int index, const PtzPosition& ptz,
              const std::vector<std::string>& lines) const;
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    void DrawText(std::vector<uint8_t>& i420, int x, int y, const std::string& utf8) const;
    int m_width, m_height, m_hue;
};

}  // namespace sim
