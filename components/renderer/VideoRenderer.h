#pragma once
#include "FrameSlot.h"
#include "PaneOverlay.h"
#include "IRenderManagerCallBack.h"
#include "PictureFit.h"
#include "PictureZoom.h"
#include "SdlDeleters.h"
#include "TextPainter.h"
#include "WallLayout.h"
#include "ZoomDrag.h"

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace kelvo {

// Input the wall forwards from its region of the window.
enum class MouseAction { MOVE, LEFT_DOWN, RIGHT_DOWN, DOUBLE_CLICK, WHEEL, LEAVE, LEFT_UP };

// Draws the views of the video wall into a region of an SDL window.
//
// The region is divided into panes by a WallLayout; pane i shows the view at
// index i. Views are numbered from 1, and a number is never reused while the
// renderer lives. Pictures arrive as I420 on stream threads and are handed
// to the UI thread through one latest-picture slot per view (FrameSlot);
// Draw uploads them to one IYUV texture per view and lets SDL scale.
//
// Thread contract:
//  - ShowPicture and SetReconnecting: any thread. They look the view's slot
//    up under m_slotsLock (held for a map lookup only), then work on the
//    slot under its own lock. They may call OnSurfaceChanged on the calling
//    thread, with no lock held.
//  - Everything else: the UI thread only, the one that owns the SDL_Renderer.
//  - The callback interface and the SDL_Renderer are borrowed: the callback
//    must outlive the renderer (or be reset to null first, with no picture
//    in flight); the SDL_Renderer must stay alive until Stop(), another
//    Start() or destruction of this object.
//  - A view may be removed while its stream still delivers: later pictures
//    for it are refused. The renderer itself is destroyed only after every
//    stream thread has stopped calling it.
class VideoRenderer {
public:
    VideoRenderer();
    ~VideoRenderer();
    VideoRenderer(const VideoRenderer&) = delete;
    VideoRenderer& operator=(const VideoRenderer&) = delete;

    // Thread: UI. Borrowed; null to stop callbacks.
    void SetCallback(IRenderManagerCallBack* callback);

    // Starts drawing into the rectangle (x, y, w, h) of the window behind
    // `surface`. Calling it again re-targets: textures of the previous
    // renderer are released (it must still be alive) and rebuilt on the new
    // one from the last pictures. False for a null surface. Thread: UI.
    bool Start(int x, int y, int w, int h, SDL_Renderer* surface);
    // Moves the region on the same surface (window resized). Thread: UI.
    void MoveSurface(int x, int y, int w, int h);
    // Releases every texture and forgets the surface. Thread: UI.
    void Stop();
    // The surface was destroyed (SDL frees a renderer's textures with it):
    // forgets it and the textures without touching them; the next Start
    // rebuilds from the kept pictures. Thread: UI.
    void AbandonSurface();
    // Thread: UI.
    SDL_Renderer* SurfaceHandle() const;
    SDL_Rect SurfaceRect() const;

    // Places a new view in the first empty pane: its number, or 0 when every
    // pane is taken or the size is not a picture size. `reserved` is 1.
    // Thread: UI.
    int CreateView(int width, int height, int reserved);
    // Thread: UI. Its pane becomes empty; the number is not handed out again.
    bool RemoveView(int view);
    // The expected picture size changed; pictures of any size are drawn
    // anyway, this only pre-sizes buffers. `reserved` is 1. Thread: UI.
    bool ResizeView(int view, int width, int height, int reserved);

    // Copies the picture into the view's slot, replacing one not yet drawn.
    // False for an unknown view or an invalid picture. Thread: any.
    bool ShowPicture(int view, const uint8_t* i420, int width, int height);
    // Shows the "reconnecting" state until the next picture. `reserved` is
    // 0. Thread: any.
    bool SetReconnecting(int view, int reserved);
    // Shows the "failed" state until the next picture. Thread: any.
    bool SetFailed(int view);

    // A view's state in words (drawn instead of the plain state texts) and
    // its figures block; an empty label or list draws nothing. False for an
    // unknown view. Thread: UI.
    bool SetStatus(int view, const PaneLabel& label);
    bool SetFigures(int view, std::vector<std::string> lines);
    // Words on an empty pane (why nothing plays there), kept until replaced
    // or cleared; a pane holding a view shows them only while its own
    // status is empty. Thread: UI.
    void SetPaneNotice(int index, const PaneLabel& label);
    // What SetStatus, SetFigures and SetPaneNotice left (empty for unknown
    // views and panes). Thread: UI.
    PaneLabel Status(int view) const;
    std::vector<std::string> Figures(int view) const;
    PaneLabel PaneNoticeAt(int index) const;
    void ClearPaneNotices();

    // Number of panes of the layout. Thread: UI.
    int ViewCount() const;
    // View at a pane index (indices past the layout keep views hidden by a
    // smaller layout until they are removed); 0 for none. Thread: UI.
    int ViewAt(int index) const;

    // Before a layout change: moves `view` into the first pane so that it
    // stays shown; the selection follows it. `reserved` is 0. Thread: UI.
    void BeginLayoutChange(int view, int reserved);
    // After a layout change: asks for a repaint. Thread: UI.
    void EndLayoutChange(int reserved);
    // Moves `view` into pane `index` of the layout, swapping with whatever is
    // there (restoring a saved view). False for an unknown view or a pane
    // outside the layout. Thread: UI.
    bool PlaceView(int view, int index);
    // Columns and rows 1..9; spans are clamped to the grid. False (layout
    // unchanged) when the grid is out of range. Thread: UI.
    bool SetLayout(int cols, int rows, int spanAcross, int spanDown);
    // Any out-pointer may be null. Thread: UI.
    void GetLayout(int* cols, int* rows, int* spanAcross, int* spanDown) const;
    const WallLayout& Layout() const { return m_layout; }

    // View of the selected pane, 0 for none (also for an empty selected pane).
    // Thread: UI.
    int SelectedView() const;
    // Index of the selected pane, -1 for none. Thread: UI.
    int SelectedPane() const { return m_selected; }
    // A shown view to free when every pane is taken: not the selected one if
    // another exists; a reconnecting view first, then one that never showed a
    // picture, then the oldest. 0 when no pane holds a view. Thread: UI.
    int ViewToGiveUp() const;
    // The view's pane in window coordinates; empty when the view is unknown
    // or not shown by the layout. Thread: UI.
    SDL_Rect ViewRect(int view) const;

    // Borrowed; the caller detaches (or removes the view) before freeing it.
    // Thread: UI.
    bool Attach(int view, void* record);
    void* AttachedRecord(int view) const;
    // True when `view` names no live view or one with no record attached.
    // Thread: UI.
    bool IsViewFree(int view) const;

    // UTF-8; the caller converts from GBK. Thread: UI.
    bool SetTitle(int view, const std::string& utf8);
    void SetTitlesVisible(bool visible);
    bool TitlesVisible() const;
    // PictureFit::Mode values; other values are refused. Thread: UI.
    int FitMode() const;
    bool SetFitMode(int mode);
    // Font for titles and state texts; a missing file only hides them. Thread: UI.
    void SetFontPath(const std::string& path);

    // Renders every pane into the region; does not present. Thread: UI.
    void Draw();
    // Hover tracking and selection in window coordinates; returns the pane
    // under the point or -1 (gaps, outside). A button or double click on a
    // pane selects it and calls OnViewSelected, also for the pane already
    // selected; the wall handles double clicks (full screen) itself. With
    // zoom on, the wheel (`wheel` notches, positive: in) zooms the view under
    // the point around it, and moves between LEFT_DOWN and LEFT_UP pan the
    // pressed view once past a few pixels; otherwise the wheel only moves the
    // hover. Thread: UI.
    int HandleMouse(int x, int y, MouseAction action, int wheel);
    int HoveredPane() const { return m_hovered; }

    // Digital zoom of the views, on by default. Off resets every view and
    // leaves the wheel and drags as they were before zoom. Thread: UI.
    void SetZoomEnabled(bool enabled);
    bool ZoomEnabled() const { return m_zoomEnabled; }
    // The view in the pane under the point back to 1x; false when there was
    // no zoomed view there. Thread: UI.
    bool ResetZoomAt(int x, int y);
    // 1 for an unknown or unzoomed view. Thread: UI.
    double ZoomFactor(int view) const;

    // Pictures stored for a view (replaced ones included). Thread: any.
    uint64_t PicturesReceived(int view) const;
    // Pictures of a view uploaded for drawing. Thread: UI.
    uint64_t PicturesDrawn(int view) const;
    // How long the last drawn picture waited in its slot, ms. Thread: UI.
    int LastSlotDelayMs(int view) const;

private:
    // UI-side state of one view.
    struct View {
        std::shared_ptr<FrameSlot> slot;
        void* record = nullptr;  // borrowed
        std::string title;
        I420Frame frame;  // last picture taken from the slot
        TexturePtr texture;
        int textureW = 0;
        int textureH = 0;
        bool textureStale = false;  // frame not yet uploaded
        uint64_t drawn = 0;
        int slotDelayMs = 0;
        PaneLabel status;
        std::vector<std::string> figures;
        PictureZoom zoom;
    };

    View* Find(int view);
    const View* Find(int view) const;
    int IndexOf(int view) const;
    std::shared_ptr<FrameSlot> SlotOf(int view) const;
    void RequestRepaint();
    void ReleaseTextures();
    bool Upload(View& v);
    void DrawPane(int index, const SDL_Rect& pane);
    void DrawCentredText(const std::string& text, const SDL_Rect& pane);
    void DrawTitle(const std::string& title, const SDL_Rect& pane);
    void DrawFrame(const SDL_Rect& pane, int thickness, SDL_Color colour);
    bool PlaceOf(int view, PictureZoom::Placement* p) const;
    void TrackZoom(int pane, int x, int y, MouseAction action, int wheel);
    void DrawZoomBadge(const PictureZoom& zoom, const SDL_Rect& pane);

    // --- set before pictures flow, read by any thread
    std::atomic<IRenderManagerCallBack*> m_callback{nullptr};
    std::atomic<bool> m_repaintRequested{false};  // cleared by Draw

    // --- guarded by m_slotsLock (map only; each slot locks itself)
    mutable std::mutex m_slotsLock;
    std::unordered_map<int, std::shared_ptr<FrameSlot>> m_slots;

    // --- UI thread only
    SDL_Renderer* m_surface = nullptr;  // borrowed
    WallLayout m_layout;
    std::map<int, View> m_views;
    std::vector<int> m_panes;  // pane index -> view, 0 for empty
    std::map<int, PaneLabel> m_notices;  // pane index -> words
    int m_nextView = 1;
    int m_selected = -1;  // pane index
    int m_hovered = -1;   // pane index
    bool m_titlesVisible = true;
    PictureFit::Mode m_fitMode = PictureFit::KEEP_ASPECT;
    bool m_zoomEnabled = true;
    int m_dragView = 0;  // pressed view, 0 when the left button is up
    ZoomDrag m_drag;
    TextPainter m_text;
};

}  // namespace kelvo
