// The saved-views dialog: the list of views, save the wall under a name,
// open, rename, delete, and start or stop the tour over all saved views.
#pragma once

#include <functional>
#include <string>

#include "CommonWindow.h"
#include "ViewStore.h"

namespace kelvo {

// Thread: UI. Lives on its opener's stack for one modal run; acts on the
// store it is given and reports through the callbacks, which the main
// window sets before ShowModal.
class ViewsForm : public CommonWindow {
public:
    explicit ViewsForm(ViewStore& store) : m_store(store) {}
    std::function<SavedView()> currentView;                // the wall as it is now
    std::function<void(const SavedView&)> openView;        // show a view (the dialog closes first)
    std::function<void(bool on, int seconds)> setTour;     // start or stop the tour
    bool touring = false;                                  // shown on the tour button

protected:
    const char* GetWindowClassName() const override { return "ViewsForm"; }
    DuiLib::CDuiString GetSkinFile() override { return "ViewsForm.xml"; }
    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    void Notify(DuiLib::TNotifyUI& msg) override;

private:
    void Refill(const std::string& select);
    std::string Selected() const;
    std::string TypedName() const;
    ViewStore& m_store;
};

}  // namespace kelvo
