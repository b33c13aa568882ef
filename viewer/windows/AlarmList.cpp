#include "AlarmList.h"

#include <algorithm>
#include <ctime>

namespace kelvo {

AlarmList::AlarmList(Clock clock, size_t capacity) : m_clock(std::move(clock)), m_capacity(std::max<size_t>(capacity, 1)) {}

int AlarmList::Report(const std::string& key, const std::string& titlePath, const std::vector<Region>& regions) {
    const int64_t now = m_clock();
    std::vector<Region> current = regions;
    // The flag was on, so the camera did alarm even if its regions already expired.
    if (current.empty()) current.push_back(Region{});

    auto sameAlarm = [](const Row& row, const Region& r) {
        if (row.region.region != r.region) return false;
        return r.arrival == 0 || row.region.arrival == 0 || row.region.arrival == r.arrival;
    };
    for (Row& row : m_rows) {
        if (!row.live || row.key != key) continue;
        row.live = std::any_of(current.begin(), current.end(), [&](const Region& r) { return sameAlarm(row, r); });
    }

    const bool snoozed = IsSnoozed(key);
    int added = 0;
    for (const Region& r : current) {
        const bool listed = std::any_of(m_rows.begin(), m_rows.end(), [&](const Row& row) {
            return row.live && row.key == key && sameAlarm(row, r);
        });
        if (listed) continue;
        Row row;
        row.id = m_nextId++;
        row.key = key;
        row.titlePath = titlePath;
        row.region = r;
        row.time = r.arrival > 0 ? r.arrival : now;
        row.snoozed = snoozed;
        row.live = true;
        Insert(std::move(row));
        if (!snoozed) ++added;
    }
    Trim();
    SetCount(Recount());
    return added;
}

void AlarmList::Insert(Row row) {
    // The newest id wins ties, so it goes before rows of the same time.
    auto at = std::find_if(m_rows.begin(), m_rows.end(), [&](const Row& r) { return r.time <= row.time; });
    m_rows.insert(at, std::move(row));
}

void AlarmList::Trim() {
    while (m_rows.size() > m_capacity) {
        // Oldest acknowledged first, then oldest snoozed, then simply the oldest.
        auto victim = std::find_if(m_rows.rbegin(), m_rows.rend(), [](const Row& r) { return r.acknowledged; });
        if (victim == m_rows.rend())
            victim = std::find_if(m_rows.rbegin(), m_rows.rend(), [](const Row& r) { return r.snoozed; });
        if (victim == m_rows.rend()) victim = m_rows.rbegin();
        m_rows.erase(std::next(victim).base());
    }
}

bool AlarmList::Acknowledge(uint64_t id) {
    auto it = std::find_if(m_rows.begin(), m_rows.end(), [&](const Row& r) { return r.id == id; });
    if (it == m_rows.end() || it->acknowledged) return false;
    it->acknowledged = true;
    SetCount(Recount());
    return true;
}

void AlarmList::AcknowledgeAll() {
    for (Row& r : m_rows) r.acknowledged = true;
    SetCount(0);
}

void AlarmList::SnoozeCamera(const std::string& key, Snooze span) {
    const int64_t now = m_clock();
    int64_t until = now;
    switch (span) {
    case Snooze::FiveMinutes: until = now + 5 * 60; break;
    case Snooze::OneHour: until = now + 60 * 60; break;
    case Snooze::UntilTomorrow: until = NextLocalMidnight(now); break;
    }
    m_snoozeUntil[key] = until;
}

void AlarmList::Unsnooze(const std::string& key) { m_snoozeUntil.erase(key); }

bool AlarmList::IsSnoozed(const std::string& key) const { return SnoozedUntil(key) != 0; }

int64_t AlarmList::SnoozedUntil(const std::string& key) const {
    auto it = m_snoozeUntil.find(key);
    if (it == m_snoozeUntil.end() || m_clock() >= it->second) return 0;
    return it->second;
}

const AlarmList::Row* AlarmList::Find(uint64_t id) const {
    auto it = std::find_if(m_rows.begin(), m_rows.end(), [&](const Row& r) { return r.id == id; });
    return it == m_rows.end() ? nullptr : &*it;
}

int AlarmList::Recount() const {
    return static_cast<int>(std::count_if(m_rows.begin(), m_rows.end(), Counts));
}

void AlarmList::SetCount(int count) {
    if (count == m_count) return;
    m_count = count;
    if (onCountChanged) onCountChanged();
}

int64_t AlarmList::NextLocalMidnight(int64_t now) {
    const time_t t = static_cast<time_t>(now);
    tm local{};
    localtime_r(&t, &local);
    local.tm_mday += 1;
    local.tm_hour = 0;
    local.tm_min = 0;
    local.tm_sec = 0;
    local.tm_isdst = -1;  // let the zone decide: the next day may differ
    const time_t midnight = mktime(&local);
    // A zone without that midnight (a jump at 00:00) still gets a later time.
    return midnight > t ? static_cast<int64_t>(midnight) : now + 24 * 60 * 60;
}

}  // namespace kelvo
