// Skin control "Timeline": one day of recordings as a bar beside the record window's slider,
// with the play-head; the mouse wheel zooms, a click picks a time.
#pragma once

#include "TimelineGeometry.h"

#include <UIlib.h>

#include <cstdint>
#include <vector>

namespace kelvo {

// Thread: UI. A click on the bar (with recordings shown) raises "valuechanged" with wParam = the
// absolute time under the mouse (seconds since 1970); the owner decides where playback goes.
class TimelineUI : public DuiLib::CControlUI {
public:
    TimelineUI();
    const char* GetClass() const override { return "Timeline"; }
    bool WantsMouse() const override { return true; }

    // Shows the whole local day that holds `t` and these recordings.
    void SetRecordings(int64_t t, const std::vector<RecordItem>& items);
    // No recordings, no play-head; the zoom stays.
    void Clear();
    // The play-head at absolute time `t`; a play-head that runs out of the view drags it along.
    void SetPlayhead(int64_t t);
    bool HasPlayhead() const { return m_hasPlayhead; }
    int64_t Playhead() const { return m_playhead; }
    const TimelineGeometry& Geometry() const { return m_geometry; }
    const std::vector<RecordItem>& Recordings() const { return m_items; }
    // The bar's screen rectangle, below the tick labels.
    DuiLib::RECT BarRect() const;

    void SetPos(DuiLib::RECT rc, bool needInvalidate = true) override;
    bool ApplyAttribute(const std::string& name, const std::string& value) override;
    void DoEvent(DuiLib::TEventUI& event) override;
    void DoPaint(DuiLib::CRenderContext& ctx, const DuiLib::RECT& rcPaint) override;

private:
    static constexpr int kLabelHeight = 14;

    TimelineGeometry m_geometry;
    std::vector<RecordItem> m_items;
    int64_t m_playhead = 0;
    bool m_hasPlayhead = false;
    int m_font = -1;
};

}  // namespace kelvo
