#pragma once
#include <SDL.h>

namespace kelvo {

// Source and destination rectangles of one picture in one pane. Pure.
// Thread: any.
class PictureFit {
public:
    // Values as stored in the settings (displayMode).
    enum Mode { KEEP_ASPECT = 0, FILL = 1, TRUE_SIZE = 2 };

    // KEEP_ASPECT: the largest centred rectangle of the picture's shape;
    // FILL: the whole pane; TRUE_SIZE: one picture pixel per screen pixel,
    // centred, the overhang cropped from both sides. `src` is in picture
    // pixels, `dst` in the pane's coordinates. False when nothing is visible.
    static bool Compute(Mode mode, const SDL_Rect& pane, int picWidth, int picHeight,
                        SDL_Rect* src, SDL_Rect* dst);

private:
    static void TrueSizeAxis(int paneStart, int paneLen, int picLen, int* srcStart, int* srcLen,
                             int* dstStart, int* dstLen);
};

}  // namespace kelvo
