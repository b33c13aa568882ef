// Name and option-group lookups of one window's controls.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace DuiLib {

class CControlUI;
class COptionUI;

// Thread: UI. Pointers are borrowed; entries are dropped when a control leaves the tree.
class ControlNameMap {
public:
    void Add(CControlUI* control);
    void Remove(CControlUI* control);
    CControlUI* Find(const std::string& name) const;  // the first registered control with that name
    void AddToGroup(const std::string& group, COptionUI* option);
    void RemoveFromGroup(const std::string& group, COptionUI* option);
    void RemoveFromAllGroups(CControlUI* control);
    std::vector<COptionUI*> Group(const std::string& group) const;
    void Clear();

private:
    std::map<std::string, std::vector<CControlUI*>> m_names;
    std::map<std::string, std::vector<COptionUI*>> m_groups;
};

}  // namespace DuiLib
