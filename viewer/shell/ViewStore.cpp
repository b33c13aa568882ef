#include "ViewStore.h"

#include <algorithm>
#include <cstdlib>
#include <tinyxml.h>

#include "ProgramPaths.h"
#include "TextCodec.h"

namespace kelvo {

namespace {

bool NameOk(const std::string& name) { return !name.empty() && name.size() <= ViewStore::kMaxName; }

int Clamp(int v, int lo, int hi) { return std::max(lo, std::min(hi, v)); }

int IntAttribute(const TiXmlElement* e, const char* name, int def) {
    int v = def;
    return e->QueryIntAttribute(name, &v) == TIXML_SUCCESS ? v : def;
}

bool ReadView(const TiXmlElement* e, SavedView& view) {
    const char* name = e->Attribute("name");
    std::string gbk;
    if (name && !DuiLib::Utf8ToGbk(name, gbk)) return false;
    view.name = gbk;
    view.columns = Clamp(IntAttribute(e, "columns", 2), 1, 9);
    view.rows = Clamp(IntAttribute(e, "rows", 2), 1, 9);
    view.spanAcross = Clamp(IntAttribute(e, "spanAcross", 1), 1, view.columns);
    view.spanDown = Clamp(IntAttribute(e, "spanDown", 1), 1, view.rows);
    view.fitMode = Clamp(IntAttribute(e, "fit", 0), 0, 2);
    view.panes.clear();
    for (const TiXmlElement* p = e->FirstChildElement("pane"); p; p = p->NextSiblingElement("pane")) {
        const int index = IntAttribute(p, "index", -1);
        const char* key = p->Attribute("camera");
        if (index < 0 || index >= 81 || !key) continue;
        if (view.panes.size() <= static_cast<size_t>(index)) view.panes.resize(static_cast<size_t>(index) + 1);
        view.panes[static_cast<size_t>(index)] = key;
    }
    return true;
}

TiXmlElement* WriteView(const char* tag, const SavedView& view) {
    auto* e = new TiXmlElement(tag);
    e->SetAttribute("name", DuiLib::GbkToUtf8Lenient(view.name).c_str());
    e->SetAttribute("columns", view.columns);
    e->SetAttribute("rows", view.rows);
    e->SetAttribute("spanAcross", view.spanAcross);
    e->SetAttribute("spanDown", view.spanDown);
    e->SetAttribute("fit", view.fitMode);
    for (size_t i = 0; i < view.panes.size(); ++i) {
        if (view.panes[i].empty()) continue;
        auto* p = new TiXmlElement("pane");
        p->SetAttribute("index", static_cast<int>(i));
        p->SetAttribute("camera", view.panes[i].c_str());
        e->LinkEndChild(p);
    }
    return e;
}

}  // namespace

std::vector<PaneOpen> RestorePlan(const SavedView& view, const std::vector<std::string>& online, int maxStreams,
                                  bool mayView) {
    std::vector<PaneOpen> plan;
    if (!mayView) return plan;
    const int panes = view.columns * view.rows;
    for (size_t i = 0; i < view.panes.size() && static_cast<int>(i) < panes; ++i) {
        if (static_cast<int>(plan.size()) >= maxStreams) break;
        const std::string& key = view.panes[i];
        if (key.empty() || std::find(online.begin(), online.end(), key) == online.end()) continue;
        // A camera saved twice is opened once, in its first pane.
        if (std::any_of(plan.begin(), plan.end(), [&](const PaneOpen& p) { return p.key == key; })) continue;
        plan.push_back({static_cast<int>(i), key});
    }
    return plan;
}

bool ViewStore::Load() {
    m_views.clear();
    m_hasLast = false;
    m_tour.clear();
    m_tourSeconds = 30;
    TiXmlDocument doc;
    if (!doc.LoadFile(m_path.c_str())) return false;
    const TiXmlElement* root = doc.RootElement();
    if (!root || std::string(root->Value()) != "views") return false;
    for (const TiXmlElement* e = root->FirstChildElement("view"); e; e = e->NextSiblingElement("view")) {
        SavedView view;
        if (ReadView(e, view) && NameOk(view.name) && !Find(view.name) &&
            static_cast<int>(m_views.size()) < kMaxViews)
            m_views.push_back(view);
    }
    if (const TiXmlElement* last = root->FirstChildElement("last")) m_hasLast = ReadView(last, m_last);
    if (const TiXmlElement* tour = root->FirstChildElement("tour")) {
        m_tourSeconds = Clamp(IntAttribute(tour, "seconds", 30), 5, 3600);
        for (const TiXmlElement* n = tour->FirstChildElement("item"); n; n = n->NextSiblingElement("item")) {
            std::string gbk;
            if (n->GetText() && DuiLib::Utf8ToGbk(n->GetText(), gbk) && Find(gbk)) m_tour.push_back(gbk);
        }
    }
    return true;
}

bool ViewStore::Save() const {
    TiXmlDocument doc;
    doc.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    auto* root = new TiXmlElement("views");
    doc.LinkEndChild(root);
    for (const SavedView& v : m_views) root->LinkEndChild(WriteView("view", v));
    if (m_hasLast) root->LinkEndChild(WriteView("last", m_last));
    auto* tour = new TiXmlElement("tour");
    tour->SetAttribute("seconds", m_tourSeconds);
    for (const std::string& name : m_tour) {
        auto* item = new TiXmlElement("item");
        item->LinkEndChild(new TiXmlText(DuiLib::GbkToUtf8Lenient(name).c_str()));
        tour->LinkEndChild(item);
    }
    root->LinkEndChild(tour);
    TiXmlPrinter printer;
    doc.Accept(&printer);
    return WriteFileAtomic(m_path, printer.CStr(), 0600);
}

const SavedView* ViewStore::Find(const std::string& name) const {
    for (const SavedView& v : m_views)
        if (v.name == name) return &v;
    return nullptr;
}

bool ViewStore::Put(const SavedView& view) {
    if (!NameOk(view.name)) return false;
    for (SavedView& v : m_views)
        if (v.name == view.name) {
            v = view;
            return true;
        }
    if (static_cast<int>(m_views.size()) >= kMaxViews) return false;
    m_views.push_back(view);
    return true;
}

bool ViewStore::Rename(const std::string& from, const std::string& to) {
    if (!NameOk(to) || Find(to)) return false;
    for (SavedView& v : m_views)
        if (v.name == from) {
            v.name = to;
            std::replace(m_tour.begin(), m_tour.end(), from, to);
            return true;
        }
    return false;
}

bool ViewStore::Remove(const std::string& name) {
    auto it = std::find_if(m_views.begin(), m_views.end(), [&](const SavedView& v) { return v.name == name; });
    if (it == m_views.end()) return false;
    m_views.erase(it);
    m_tour.erase(std::remove(m_tour.begin(), m_tour.end(), name), m_tour.end());
    return true;
}

void ViewStore::SetTour(std::vector<std::string> names, int seconds) {
    m_tour.clear();
    for (std::string& n : names)
        if (Find(n)) m_tour.push_back(std::move(n));
    m_tourSeconds = Clamp(seconds, 5, 3600);
}

}  // namespace kelvo
