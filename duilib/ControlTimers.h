// Timers owned by controls, carried by the window's native timers.
#pragma once

#include "UIDefs.h"

#include <vector>

namespace DuiLib {

class CControlUI;

// Thread: UI. Control pointers are borrowed; a control's timers die with its removal.
class ControlTimers {
public:
    // Returns the native timer id to arm on the window.
    UINT_PTR Add(CControlUI* control, UINT id);
    // Native ids to disarm.
    std::vector<UINT_PTR> Remove(CControlUI* control, UINT id);
    std::vector<UINT_PTR> RemoveAll(CControlUI* control);
    std::vector<UINT_PTR> Clear();
    // Maps a native id back to its control and id; false when not one of ours.
    bool Lookup(UINT_PTR nativeId, CControlUI*& control, UINT& id) const;
    static bool IsControlTimer(UINT_PTR nativeId) { return nativeId >= kBase; }

private:
    static constexpr UINT_PTR kBase = 0xC0000000u;
    struct Entry { CControlUI* control; UINT id; UINT_PTR native; };
    std::vector<Entry> m_entries;
    UINT_PTR m_next = kBase;
};

}  // namespace DuiLib
