// Renders UTF-8 text into 8-bit coverage masks with SDL2_ttf, for the
// names, clocks and PTZ readouts drawn into the test pictures. Without the
// font the masks are empty and pictures carry no text.
// Thread: any (one lock around the font).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

struct TextMask {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // 0 or 255, row-major
};

class TextRenderer {
public:
    // Shared instance at the pixel size nearest `size` (16, 24, 32 or 48).
    static TextRenderer& ForSize(int size);
    TextMask Render(const std::string& utf8);
    ~TextRenderer();

private:
    explicit TextRenderer(int size);
    std::mutex m_lock;
    void* m_font = nullptr;  // TTF_Font*, guarded by m_lock
};

}  // namespace sim
