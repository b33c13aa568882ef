#include "network/Rights.h"

#include <tinyxml.h>

#include <cstdlib>
#include <cstring>

#include "KelvoNetwork.h"

namespace {

bool ReadsNonZero(const TiXmlElement* e, const char* name, int* value) {
    int v = 0;
    if (e->QueryIntAttribute(name, &v) != TIXML_SUCCESS || v == 0) return false;
    *value = v;
    return true;
}

// "@week=N" compares numbers, as XPath does.
bool WeekMatches(const TiXmlElement* e, int weekday) {
    const char* week = e->Attribute("week");
    if (!week) return false;
    char* end = nullptr;
    double v = std::strtod(week, &end);
    while (end && (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r')) ++end;
    return end != week && end && *end == '\0' && v == weekday;
}

// First element named "time_list" with a matching week, in document order
// from `e` (the evaluation of //time_list[@week=N]).
const TiXmlElement* FindTimeList(const TiXmlElement* e, int weekday) {
    if (std::strcmp(e->Value(), "time_list") == 0 && WeekMatches(e, weekday)) return e;
    for (const TiXmlElement* c = e->FirstChildElement(); c; c = c->NextSiblingElement())
        if (const TiXmlElement* found = FindTimeList(c, weekday)) return found;
    return nullptr;
}

}  // namespace

Rights::Rights() : m_document(std::make_unique<TiXmlDocument>()) {}
Rights::~Rights() = default;

void Rights::Parse(const std::string& text, int64_t serverTime) {
    m_mask = 0;
    m_maxStream = 0;
    m_document = std::make_unique<TiXmlDocument>();
    // Byte by byte whatever the declaration says: in UTF-8 mode TinyXML steps over
    // a lead byte's whole length and a server's bad last byte reads past the text.
    m_document->Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    const TiXmlElement* root = m_document->RootElement();
    const TiXmlElement* right = root ? root->FirstChildElement("right") : nullptr;
    if (!right) return;
    static const struct {
        const char* name;
        uint32_t bit;
    } kBits[] = {{"ptz", RIGHT_PTZ},     {"alarm", RIGHT_ALARM}, {"talk", RIGHT_TALK},
                 {"node", RIGHT_NODE},   {"screen", RIGHT_SCREEN}, {"video", RIGHT_VIDEO},
                 {"manageuser", RIGHT_MANAGEUSER}};
    int value;
    for (const auto& b : kBits)
        if (ReadsNonZero(right, b.name, &value)) m_mask |= b.bit;
    if (ReadsNonZero(right, "videonum", &value)) m_maxStream = value;
    CheckSchedule(serverTime);
}

bool Rights::Admits(int weekday, const char* now) const {
    const TiXmlElement* root = m_document->RootElement();
    if (!root) return false;
    const TiXmlElement* list = FindTimeList(root, weekday);
    if (!list) return false;
    for (const TiXmlElement* t = list->FirstChildElement("time"); t;
         t = t->NextSiblingElement("time")) {
        const char* begin = t->Attribute("begin");
        const char* end = t->Attribute("end");
        if (!begin || !end) continue;  // an incomplete span admits nothing
        if (std::strcmp(now, begin) < 0) continue;
        if (std::strcmp(now, end) <= 0) return true;
    }
    return false;
}

bool Rights::CheckSchedule(int64_t serverTime) {
    bool pass = false;
    time_t t = static_cast<time_t>(serverTime);
    struct tm local;
    if (localtime_r(&t, &local)) {
        char now[16];
        if (std::strftime(now, sizeof now, "%H:%M:%S", &local) > 0)
            pass = Admits(local.tm_wday, now);
    }
    if (pass)
        m_mask |= RIGHT_SCHEDULE;
    else
        m_mask &= ~static_cast<uint32_t>(RIGHT_SCHEDULE);
    return pass;
}
