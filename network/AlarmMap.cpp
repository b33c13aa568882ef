#include "network/AlarmMap.h"

namespace {

void Plot(uint8_t* i420, int width, int height, int x, int y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    const int cw = width / 2, ch = height / 2;
    i420[static_cast<size_t>(y) * width + x] = AlarmMap::kY;
    const int cx = x / 2, cy = y / 2;
    if (cx >= cw || cy >= ch) return;  // odd sizes: no chroma sample there
    uint8_t* u = i420 + static_cast<size_t>(width) * height;
    uint8_t* v = u + static_cast<size_t>(cw) * ch;
    u[static_cast<size_t>(cy) * cw + cx] = AlarmMap::kU;
    v[static_cast<size_t>(cy) * cw + cx] = AlarmMap::kV;
}

}  // namespace

void AlarmMap::Add(const relay::AlarmRecord& record, int64_t now) {
    if (m_entries.count(record.region)) return;
    m_entries[record.region] = Entry{record, now, 0};
}

void AlarmMap::DrawOutline(uint8_t* i420, int width, int height, const relay::AlarmRecord& r) {
    const int x = r.x, y = r.y, w = r.width, h = r.height;
    for (int i = 0; i < w && x + i < width; ++i) {
        Plot(i420, width, height, x + i, y);
        Plot(i420, width, height, x + i, y + h);
    }
    for (int j = 0; j < h && y + j < height; ++j) {
        Plot(i420, width, height, x, y + j);
        Plot(i420, width, height, x + w, y + j);
    }
}

void AlarmMap::Draw(uint8_t* i420, int width, int height, int frameRate) {
    const uint32_t rate = frameRate > 0 ? static_cast<uint32_t>(frameRate) : 1;
    for (auto& kv : m_entries) {
        Entry& e = kv.second;
        if ((e.blink / rate) % 2 == 0) DrawOutline(i420, width, height, e.region);
        ++e.blink;
    }
}

void AlarmMap::Expire(int64_t now, int alarmSeconds) {
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (now - it->second.arrival > alarmSeconds)
            it = m_entries.erase(it);
        else
            ++it;
    }
}
