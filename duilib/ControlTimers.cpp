#include "ControlTimers.h"

#include <algorithm>

namespace DuiLib {

UINT_PTR ControlTimers::Add(CControlUI* control, UINT id) {
    for (auto& e : m_entries)
        if (e.control == control && e.id == id) return e.native;
    m_entries.push_back(Entry{control, id, m_next});
    return m_next++;
}

std::vector<UINT_PTR> ControlTimers::Remove(CControlUI* control, UINT id) {
    std::vector<UINT_PTR> out;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->control == control && it->id == id) { out.push_back(it->native); it = m_entries.erase(it); }
        else ++it;
    }
    return out;
}

std::vector<UINT_PTR> ControlTimers::RemoveAll(CControlUI* control) {
    std::vector<UINT_PTR> out;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->control == control) { out.push_back(it->native); it = m_entries.erase(it); }
        else ++it;
    }
    return out;
}

std::vector<UINT_PTR> ControlTimers::Clear() {
    std::vector<UINT_PTR> out;
    for (auto& e : m_entries) out.push_back(e.native);
    m_entries.clear();
    return out;
}

bool ControlTimers::Lookup(UINT_PTR nativeId, CControlUI*& control, UINT& id) const {
    for (const auto& e : m_entries) {
        if (e.native == nativeId) {
            control = e.control;
            id = e.id;
            return true;
        }
    }
    return false;
}

}  // namespace DuiLib
