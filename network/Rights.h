// The account's rights document: right mask, stream limit and the weekly
// viewing schedule. Pure data: the session guards it with its lock.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

class TiXmlDocument;

class Rights {
public:
    Rights();
    ~Rights();

    // Replaces the document, the mask and the limit, then runs the schedule
    // check at `serverTime`.
    void Parse(const std::string& text, int64_t serverTime);
    // True when the schedule admits `serverTime` (read in local time);
    // updates the schedule bit of the mask.
    bool CheckSchedule(int64_t serverTime);

    uint32_t Mask() const { return m_mask; }
    int MaxStream() const { return m_maxStream; }

    // The check on a given weekday and "%H:%M:%S" time of day.
    bool Admits(int weekday, const char* timeOfDay) const;

private:
    std::unique_ptr<TiXmlDocument> m_document;
    uint32_t m_mask = 0;
    int m_maxStream = 0;
};
