// The one table from skin tag names to control classes.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace DuiLib {

class CControlUI;

class ControlFactory {
public:
    // A new control for a built-in tag, or null when the tag is not ours.
    static std::unique_ptr<CControlUI> Create(const std::string& tag);
    static std::vector<std::string> Tags();
    // Tags that structure a skin file rather than make controls.
    static bool IsStructureTag(const std::string& tag);
};

}  // namespace DuiLib
