#include "ControlNameMap.h"

#include "COptionUI.h"

#include <algorithm>

namespace DuiLib {

void ControlNameMap::Add(CControlUI* control) {
    const std::string& name = control->GetName().Str();
    if (name.empty()) return;
    auto& v = m_names[name];
    if (std::find(v.begin(), v.end(), control) == v.end()) v.push_back(control);
}

void ControlNameMap::Remove(CControlUI* control) {
    for (auto it = m_names.begin(); it != m_names.end();) {
        auto& v = it->second;
        v.erase(std::remove(v.begin(), v.end(), control), v.end());
        it = v.empty() ? m_names.erase(it) : std::next(it);
    }
}

CControlUI* ControlNameMap::Find(const std::string& name) const {
    auto it = m_names.find(name);
    return it == m_names.end() || it->second.empty() ? nullptr : it->second.front();
}

void ControlNameMap::AddToGroup(const std::string& group, COptionUI* option) {
    auto& v = m_groups[group];
    if (std::find(v.begin(), v.end(), option) == v.end()) v.push_back(option);
}

void ControlNameMap::RemoveFromGroup(const std::string& group, COptionUI* option) {
    auto it = m_groups.find(group);
    if (it == m_groups.end()) return;
    it->second.erase(std::remove(it->second.begin(), it->second.end(), option), it->second.end());
}

void ControlNameMap::RemoveFromAllGroups(CControlUI* control) {
    for (auto& kv : m_groups)
        kv.second.erase(std::remove(kv.second.begin(), kv.second.end(), control), kv.second.end());
}

std::vector<COptionUI*> ControlNameMap::Group(const std::string& group) const {
    auto it = m_groups.find(group);
    return it == m_groups.end() ? std::vector<COptionUI*>() : it->second;
}

void ControlNameMap::Clear() {
    m_names.clear();
    m_groups.clear();
}

}  // namespace DuiLib
