// The alarm centre's model: listed alarms, acknowledgement, per-camera snooze
// and the count of alarms still waiting for the operator. No toolkit, no
// library calls: the clock is injected so expiry can be tested.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kelvo {

// Thread: one (the UI thread in the program); not shared.
class AlarmList {
public:
    using Clock = std::function<int64_t()>;  // seconds since 1970

    static constexpr size_t kDefaultCapacity = 1000;
    // Region of an alarm reported without any region (the map emptied before it was read).
    static constexpr int kNoRegion = -1;

    enum class Snooze { FiveMinutes, OneHour, UntilTomorrow };

    struct Region {
        int region = kNoRegion;
        int type = 0;
        int x = 0, y = 0, width = 0, height = 0;
        int64_t arrival = 0;  // 0: unknown, the clock's time is used
    };

    struct Row {
        uint64_t id = 0;  // stable for the row's life
        std::string key;
        std::string titlePath;  // GBK, as given
        Region region;
        int64_t time = 0;  // when the alarm went on
        bool acknowledged = false;
        bool snoozed = false;  // its camera was snoozed when it came
        bool live = false;     // its region is still in the camera's latest report
    };

    explicit AlarmList(Clock clock, size_t capacity = kDefaultCapacity);

    // A camera's current regions. A region already listed and still live with the same
    // arrival adds no row; regions missing from the report are cleared, so they list anew
    // when they come back. Returns how many rows were added that count (not snoozed).
    int Report(const std::string& key, const std::string& titlePath, const std::vector<Region>& regions);

    bool Acknowledge(uint64_t id);  // false when the row is unknown or already acknowledged
    void AcknowledgeAll();

    // New alarms of `key` are listed as snoozed until the span ends.
    void SnoozeCamera(const std::string& key, Snooze span);
    void Unsnooze(const std::string& key);
    bool IsSnoozed(const std::string& key) const;
    int64_t SnoozedUntil(const std::string& key) const;  // 0 when not snoozed

    int UnacknowledgedCount() const { return m_count; }
    // Newest first (by alarm time, then by listing order).
    const std::vector<Row>& Rows() const { return m_rows; }
    const Row* Find(uint64_t id) const;

    // Called after every change of UnacknowledgedCount, once per change.
    std::function<void()> onCountChanged;

    // The next local midnight after `now` (daylight-saving changes included).
    static int64_t NextLocalMidnight(int64_t now);

private:
    static bool Counts(const Row& r) { return !r.acknowledged && !r.snoozed; }
    void Insert(Row row);
    void Trim();
    void SetCount(int count);
    int Recount() const;

    Clock m_clock;
    size_t m_capacity;
    uint64_t m_nextId = 1;
    int m_count = 0;
    std::vector<Row> m_rows;
    std::map<std::string, int64_t> m_snoozeUntil;
};

}  // namespace kelvo
