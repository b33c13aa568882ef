#include "CDialogBuilder.h"

#include "CContainerUI.h"
#include "CPaintManagerUI.h"
#include "ControlFactory.h"
#include "ImageCache.h"
#include "TextCodec.h"
#include "XmlFile.h"

#include <cstdlib>
#include <cstring>
#include <tinyxml.h>

namespace DuiLib {
namespace {
constexpr int kMaxIncludeDepth = 8;
// All Include copies of one skin together: a file that includes itself ten times
// a level would otherwise build 10^8 controls.
constexpr int kMaxIncludes = 512;

// Layout sums sizes, paddings and insets in int: numbers in a skin are held to
// ±kMaxSkinNumber so no sum of a skin's worth of them can overflow.
constexpr long kMaxSkinNumber = 100000;

bool IsNumberEdge(const std::string& s, size_t i) {
    if (i >= s.size()) return true;
    const char c = s[i];
    return c == ',' || c == ' ' || c == '\'' || c == '"' || c == '=';
}

// Clamps every standalone decimal number (digits of names and colours are left alone).
std::string ClampNumbers(const std::string& v) {
    std::string out;
    size_t i = 0;
    while (i < v.size()) {
        const bool edge = i == 0 || IsNumberEdge(v, i - 1);
        size_t j = i + (v[i] == '-' ? 1 : 0);
        size_t k = j;
        while (k < v.size() && v[k] >= '0' && v[k] <= '9') ++k;
        if (edge && k > j && IsNumberEdge(v, k)) {
            const bool negative = j > i;
            std::string digits = v.substr(j, k - j);
            const bool big = digits.size() > 6 || std::strtol(digits.c_str(), nullptr, 10) > kMaxSkinNumber;
            out += big ? (negative ? "-" : "") + std::to_string(kMaxSkinNumber) : v.substr(i, k - i);
            i = k;
            continue;
        }
        out += v[i++];
    }
    return out;
}

// Attributes holding texts the program reads are GBK inside; file names stay as on disk.
bool IsTextAttribute(const char* name) {
    return !std::strcmp(name, "text") || !std::strcmp(name, "tooltip") || !std::strcmp(name, "userdata") ||
           !std::strcmp(name, "tipvalue");
}
}  // namespace

CControlUI* CDialogBuilder::Create(const char* xmlFile, const char*, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* pm, CControlUI* parent) {
    if (m_includeDepth == 0) {
        m_errors.clear();
        m_includeCount = 0;
        m_includes = &m_includeCount;
    }
    m_callback = callback;
    std::string path = xmlFile ? xmlFile : "";
    if (path.empty()) return nullptr;
    if (path[0] != '/') path = CPaintManagerUI::GetResourcePath().Str() + path;
    TiXmlDocument doc;
    if (!LoadXmlFile(doc, path)) {
        const char* why = doc.Error() ? doc.ErrorDesc() : "unreadable";
        m_errors.push_back("cannot read skin " + path + ": " + why);
        std::fprintf(stderr, "duilib: cannot read skin %s: %s\n", path.c_str(), why);
        return nullptr;
    }
    TiXmlElement* top = doc.RootElement();
    if (!top) return nullptr;
    TiXmlElement* first = top;
    if (std::strcmp(top->Value(), "Window") == 0) {
        if (pm && m_includeDepth == 0) ApplyWindow(top, pm);
        first = nullptr;
        for (TiXmlElement* e = top->FirstChildElement(); e; e = e->NextSiblingElement()) {
            const char* tag = e->Value();
            if (!std::strcmp(tag, "Font") || !std::strcmp(tag, "Default") || !std::strcmp(tag, "Image")) continue;
            first = e;
            break;
        }
        if (!first) return nullptr;
    }
    auto root = Parse(first, parent, pm);
    return root.release();
}

void CDialogBuilder::ApplyWindow(TiXmlElement* window, CPaintManagerUI* pm) {
    for (TiXmlAttribute* a = window->FirstAttribute(); a; a = a->Next()) {
        const char* n = a->Name();
        const std::string clamped = ClampNumbers(a->Value());
        const char* v = clamped.c_str();
        RECT rc;
        int cx = 0, cy = 0;
        if (!std::strcmp(n, "size")) { if (std::sscanf(v, "%d,%d", &cx, &cy) == 2) pm->SetInitSize(cx, cy); }
        else if (!std::strcmp(n, "caption")) { if (ParseRect(v, rc)) pm->SetCaptionRect(rc); }
        else if (!std::strcmp(n, "sizebox")) { if (ParseRect(v, rc)) pm->SetSizeBox(rc); }
        else if (!std::strcmp(n, "mininfo")) { if (std::sscanf(v, "%d,%d", &cx, &cy) == 2) pm->SetMinInfo(cx, cy); }
        else if (!std::strcmp(n, "maxinfo")) { if (std::sscanf(v, "%d,%d", &cx, &cy) == 2) pm->SetMaxInfo(cx, cy); }
        else if (!std::strcmp(n, "defaultfontcolor")) pm->SetDefaultTextColor(ParseColor(v));
        else if (!std::strcmp(n, "bkcolor")) pm->SetWindowBkColor(ParseColor(v));
        else if (!std::strcmp(n, "roundcorner") || !std::strcmp(n, "bktrans") || !std::strcmp(n, "showdirty") ||
                 !std::strcmp(n, "alpha") || !std::strcmp(n, "disabledfontcolor") || !std::strcmp(n, "shadow")) {}
        else m_errors.push_back(std::string("unknown attribute Window.") + n);
    }
    for (TiXmlElement* e = window->FirstChildElement(); e; e = e->NextSiblingElement()) {
        if (!std::strcmp(e->Value(), "Font")) {
            TFontInfo fi;
            int id = -1;
            e->QueryIntAttribute("id", &id);
            e->QueryIntAttribute("size", &fi.size);
            const char* b = e->Attribute("bold");
            const char* u = e->Attribute("underline");
            const char* i = e->Attribute("italic");
            const char* d = e->Attribute("default");
            fi.bold = b && !std::strcmp(b, "true");
            fi.underline = u && !std::strcmp(u, "true");
            fi.italic = i && !std::strcmp(i, "true");
            pm->AddFont(id, fi, d && !std::strcmp(d, "true"));
        } else if (!std::strcmp(e->Value(), "Default")) {
            const char* name = e->Attribute("name");
            const char* value = e->Attribute("value");
            if (name && value) pm->AddDefaultAttributeList(name, value);
        }
    }
}

void CDialogBuilder::ApplyAttributes(CControlUI* control, TiXmlElement* element, CPaintManagerUI* pm) {
    for (TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        std::string value = a->Value();
        if (IsTextAttribute(a->Name())) value = Utf8ToGbkLenient(value);
        else if (std::strcmp(a->Name(), "name") != 0 && std::strcmp(a->Name(), "group") != 0) value = ClampNumbers(value);
        if (!control->ApplyAttribute(a->Name(), value)) {
            std::string err = std::string("unknown attribute ") + control->GetClass() + "." + a->Name();
            m_errors.push_back(err);
            if (pm) pm->ReportUnknownAttribute(control->GetClass(), a->Name());
        }
    }
}

std::unique_ptr<CControlUI> CDialogBuilder::Parse(TiXmlElement* element, CControlUI* parent, CPaintManagerUI* pm) {
    const std::string tag = element->Value();
    std::unique_ptr<CControlUI> control = ControlFactory::Create(tag);
    if (!control && m_callback) control.reset(m_callback->CreateControl(tag.c_str()));
    if (!control) {
        m_errors.push_back("unknown tag " + tag);
        std::fprintf(stderr, "duilib: unknown skin tag %s\n", tag.c_str());
        return nullptr;
    }
    if (pm) {
        if (const char* defaults = pm->GetDefaultAttributeList(tag.c_str())) {
            // Default lists are written in the skin's UTF-8 too.
            CControlUI* c = control.get();
            std::string list = defaults;
            std::string wrapped = "<D " + list + "/>";
            TiXmlDocument tmp;
            tmp.Parse(wrapped.c_str(), nullptr, TIXML_ENCODING_UTF8);
            if (tmp.RootElement()) ApplyAttributes(c, tmp.RootElement(), pm);
        }
    }
    ApplyAttributes(control.get(), element, pm);
    if (auto* container = dynamic_cast<CContainerUI*>(control.get())) ParseChildren(element, container, pm);
    else if (element->FirstChildElement()) m_errors.push_back("children under non-container " + tag);
    (void)parent;
    return control;
}

void CDialogBuilder::ParseChildren(TiXmlElement* element, CContainerUI* container, CPaintManagerUI* pm) {
    for (TiXmlElement* e = element->FirstChildElement(); e; e = e->NextSiblingElement()) {
        if (!std::strcmp(e->Value(), "Include")) {
            const char* src = e->Attribute("source");
            int count = 1;
            e->QueryIntAttribute("count", &count);
            if (!src || m_includeDepth >= kMaxIncludeDepth) {
                m_errors.push_back("bad Include");
                continue;
            }
            for (int i = 0; i < count; ++i) {
                if (++*m_includes > kMaxIncludes) {
                    m_errors.push_back("too many Includes");
                    break;
                }
                ++m_includeDepth;
                CDialogBuilder sub;
                sub.m_includeDepth = m_includeDepth;
                sub.m_includes = m_includes;
                CControlUI* inc = sub.Create(src, nullptr, m_callback, pm, container);
                for (auto& err : sub.GetErrors()) m_errors.push_back(err);
                --m_includeDepth;
                if (inc) container->Add(inc);
                else m_errors.push_back(std::string("missing include ") + src);
            }
            continue;
        }
        auto child = Parse(e, container, pm);
        if (child) container->Add(child.release());
    }
}

}  // namespace DuiLib
