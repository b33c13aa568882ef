#pragma once

namespace kelvo {

// What the renderer tells the video wall. Implementations post to their
// window and return; they must not block.
class IRenderManagerCallBack {
public:
    virtual ~IRenderManagerCallBack() = default;

    // A click selected a pane: `view` is the view shown there, or -1 when the
    // pane is empty. `unused` is always 0.
    // Thread: UI (called from VideoRenderer::HandleMouse).
    virtual void OnViewSelected(int unused, int view) = 0;

    // Something on the surface changed and a repaint (VideoRenderer::Draw) is
    // wanted. Called at most once between two Draw calls.
    // Thread: any (a stream's render thread when a picture arrives).
    virtual void OnSurfaceChanged() = 0;
};

}  // namespace kelvo
