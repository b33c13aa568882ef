#pragma once
#include "PictureFit.h"

#include <SDL.h>

#include <string>

namespace kelvo {

// Digital zoom of one picture in its pane: which part of the picture the
// pane shows. The factor moves in quarter doublings from 1x (the picture as
// its fit mode shows it) to 16x; the centre is kept as a fraction of the
// picture, so the zoom survives a pane resize, a fit-mode change and a new
// picture size. The shown part never leaves the picture. Pure.
// Thread: the owner's (the UI thread for the wall and the player).
class PictureZoom {
public:
    static constexpr int kStepsPerDoubling = 4;
    static constexpr int kMaxSteps = 4 * kStepsPerDoubling;  // 16x

    // A picture placed in its pane at 1x, as PictureFit places it.
    struct Placement {
        int width = 0;   // picture size
        int height = 0;
        SDL_Rect fitSrc{0, 0, 0, 0};  // part of the picture shown at 1x
        SDL_Rect dst{0, 0, 0, 0};     // where the shown part is drawn
    };
    // False when nothing of the picture is visible.
    static bool Place(PictureFit::Mode mode, const SDL_Rect& pane, int width, int height, Placement* out);

    int Steps() const { return m_steps; }
    double Factor() const;
    bool Zoomed() const { return m_steps > 0; }
    // The factor as the badge shows it, e.g. "2.0×" (UTF-8).
    std::string Label() const;

    // The SDL source rectangle for the placement's `dst`: `fitSrc` at 1x.
    SDL_Rect Source(const Placement& p) const;
    // Picture coordinates of the screen point (x, y) as currently drawn.
    bool PictureAt(const Placement& p, double x, double y, double* px, double* py) const;

    // Zooms by `notches` steps (positive: in) keeping the picture point
    // under (x, y) where it is; a point outside `dst` counts as its nearest
    // edge. Back at 1x the zoom resets. True when anything changed.
    bool ZoomAt(const Placement& p, int x, int y, int notches);
    // Moves the picture by (dx, dy) screen pixels, as a drag does, clamped
    // at the picture's edges. Nothing at 1x. True when anything changed.
    bool PanBy(const Placement& p, int dx, int dy);
    void Reset();

private:
    struct Span {
        double x, y, w, h;
    };
    Span SourceSpan(const Placement& p) const;
    void CentreOn(const Placement& p, double x, double y, double w, double h);
    static bool Valid(const Placement& p);

    int m_steps = 0;
    double m_cx = 0.5;  // centre of the shown part, fraction of the picture
    double m_cy = 0.5;
};

}  // namespace kelvo
