// Alarm regions of one stream, drawn as red outlines on the pictures for a
// while. Pure data: the stream guards it with its record lock.
#pragma once

#include <cstdint>
#include <map>

#include "network/RelayPackets.h"

class AlarmMap {
public:
    struct Entry {
        relay::AlarmRecord region;
        int64_t arrival = 0;
        uint32_t blink = 0;
    };

    // A region already shown keeps its arrival time.
    void Add(const relay::AlarmRecord& record, int64_t now);
    void Clear() { m_entries.clear(); }
    bool Empty() const { return m_entries.empty(); }
    size_t Size() const { return m_entries.size(); }
    // In region order.
    const std::map<uint16_t, Entry>& Entries() const { return m_entries; }

    // Draws the regions whose blink phase is on (a frame rate of 0 blinks
    // as if it were 1) and advances their counters.
    void Draw(uint8_t* i420, int width, int height, int frameRate);
    // Removes entries older than `alarmSeconds`.
    void Expire(int64_t now, int alarmSeconds);

    // The outline colour: pure red in BT.601 studio range.
    static constexpr uint8_t kY = 81, kU = 90, kV = 239;
    // One-pixel outline, clipped to the picture.
    static void DrawOutline(uint8_t* i420, int width, int height, const relay::AlarmRecord& r);

private:
    std::map<uint16_t, Entry> m_entries;
};
