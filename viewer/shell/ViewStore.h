// Saved views: a wall layout, the camera of each pane and the fit mode,
// kept by name in "Views.xml" beside Config.dat, plus the view the wall
// showed when the program last closed and the tour (names shown in turn).
//
// Thread: UI. Names are GBK in memory and UTF-8 in the file.
#pragma once

#include <string>
#include <vector>

namespace kelvo {

struct SavedView {
    std::string name;
    int columns = 2, rows = 2, spanAcross = 1, spanDown = 1;
    int fitMode = 0;
    std::vector<std::string> panes;  // camera key per pane index, "" for an empty pane
};

// What restoring a view opens: pane index and camera key, in pane order.
struct PaneOpen {
    int pane;
    std::string key;
};

// Cameras of `view` that may be opened now: known and online (`online`),
// within the stream limit, and none without the viewing right.
std::vector<PaneOpen> RestorePlan(const SavedView& view, const std::vector<std::string>& online, int maxStreams,
                                  bool mayView);

class ViewStore {
public:
    static constexpr size_t kMaxName = 64;  // bytes
    static constexpr int kMaxViews = 100;

    explicit ViewStore(std::string path) : m_path(std::move(path)) {}
    // A missing file is an empty store; a broken one too (it is not overwritten until the next Save).
    bool Load();
    bool Save() const;

    const std::vector<SavedView>& Views() const { return m_views; }
    const SavedView* Find(const std::string& name) const;
    // Replaces a view of the same name; false for an empty or too long name or a full store.
    bool Put(const SavedView& view);
    // False when `from` is missing or `to` is empty, too long or taken.
    bool Rename(const std::string& from, const std::string& to);
    bool Remove(const std::string& name);

    bool HasLast() const { return m_hasLast; }
    const SavedView& Last() const { return m_last; }
    void SetLast(const SavedView& view) {
        m_last = view;
        m_hasLast = true;
    }

    // The tour: names shown in turn, each for `seconds` (5..3600).
    const std::vector<std::string>& Tour() const { return m_tour; }
    int TourSeconds() const { return m_tourSeconds; }
    void SetTour(std::vector<std::string> names, int seconds);

private:
    std::string m_path;
    std::vector<SavedView> m_views;
    SavedView m_last;
    bool m_hasLast = false;
    std::vector<std::string> m_tour;
    int m_tourSeconds = 30;
};

}  // namespace kelvo
