// Builds a control tree from a UTF-8 skin file.
#pragma once

#include "UIEvent.h"

#include <memory>
#include <string>
#include <vector>

class TiXmlElement;

namespace DuiLib {

class CControlUI;
class CContainerUI;
class CPaintManagerUI;

// Thread: UI.
class CDialogBuilder {
public:
    // Reads the file (relative to the resource path unless absolute), applies the Window, Font and
    // Default settings to pm, and returns the root control; ownership passes to the caller (usually
    // straight into CPaintManagerUI::AttachDialog). Null on a missing or malformed file.
    CControlUI* Create(const char* xmlFile, const char* type = nullptr, IDialogBuilderCallback* callback = nullptr,
                       CPaintManagerUI* pm = nullptr, CControlUI* parent = nullptr);
    // Problems met during the last Create: unknown tags and attributes, missing includes.
    const std::vector<std::string>& GetErrors() const { return m_errors; }

private:
    void ApplyWindow(TiXmlElement* window, CPaintManagerUI* pm);
    std::unique_ptr<CControlUI> Parse(TiXmlElement* element, CControlUI* parent, CPaintManagerUI* pm);
    void ParseChildren(TiXmlElement* element, CContainerUI* container, CPaintManagerUI* pm);
    void ApplyAttributes(CControlUI* control, TiXmlElement* element, CPaintManagerUI* pm);

    IDialogBuilderCallback* m_callback = nullptr;
    std::vector<std::string> m_errors;
    int m_includeDepth = 0;
    int m_includeCount = 0;                 // copies included by this tree so far
    int* m_includes = &m_includeCount;      // the top builder's count, shared with its sub-builders
};

}  // namespace DuiLib
