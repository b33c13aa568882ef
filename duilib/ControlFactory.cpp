#include "ControlFactory.h"

#include "CComboUI.h"
#include "CDateTimeUI.h"
#include "CEditUI.h"
#include "CListElementUI.h"
#include "COptionUI.h"
#include "CProgressUI.h"
#include "CSpinnerUI.h"
#include "CTabLayoutUI.h"
#include "CTreeViewUI.h"

#include <functional>
#include <map>

namespace DuiLib {
namespace {
using Maker = std::function<std::unique_ptr<CControlUI>()>;

template <class T> Maker Make() { return [] { return std::make_unique<T>(); }; }

const std::map<std::string, Maker>& Table() {
    static const std::map<std::string, Maker> table = {
        {"Control", Make<CControlUI>()},
        {"Container", Make<CContainerUI>()},
        {"VerticalLayout", Make<CVerticalLayoutUI>()},
        {"HorizontalLayout", Make<CHorizontalLayoutUI>()},
        {"TabLayout", Make<CTabLayoutUI>()},
        {"Label", Make<CLabelUI>()},
        {"Text", Make<CTextUI>()},
        {"Button", Make<CButtonUI>()},
        {"Option", Make<COptionUI>()},
        {"CheckBox", Make<CCheckBoxUI>()},
        {"Edit", Make<CEditUI>()},
        {"Progress", Make<CProgressUI>()},
        {"Slider", Make<CSliderUI>()},
        {"Spinner", Make<CSpinnerUI>()},
        {"List", Make<CListUI>()},
        {"ListLabelElement", Make<CListLabelElementUI>()},
        {"ListContainerElement", Make<CListContainerElementUI>()},
        {"Combo", Make<CComboUI>()},
        {"DateTimePicker", Make<CDateTimeUI>()},
        {"TreeView", Make<CTreeViewUI>()},
        {"TreeNode", Make<CTreeNodeUI>()},
    };
    return table;
}
}  // namespace

std::unique_ptr<CControlUI> ControlFactory::Create(const std::string& tag) {
    auto it = Table().find(tag);
    return it == Table().end() ? nullptr : it->second();
}

std::vector<std::string> ControlFactory::Tags() {
    std::vector<std::string> out;
    for (const auto& kv : Table()) out.push_back(kv.first);
    return out;
}

bool ControlFactory::IsStructureTag(const std::string& tag) {
    return tag == "Window" || tag == "Font" || tag == "Default" || tag == "Image" || tag == "Include";
}

}  // namespace DuiLib
