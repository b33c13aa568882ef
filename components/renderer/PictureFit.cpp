#include "PictureFit.h"

#include <cstdint>

namespace kelvo {

void PictureFit::TrueSizeAxis(int paneStart, int paneLen, int picLen, int* srcStart, int* srcLen,
                              int* dstStart, int* dstLen)
{
    if (picLen <= paneLen) {
        *srcStart = 0;
        *srcLen = picLen;
        *dstStart = paneStart + (paneLen - picLen) / 2;
        *dstLen = picLen;
    } else {
        *srcStart = (picLen - paneLen) / 2;
        *srcLen = paneLen;
        *dstStart = paneStart;
        *dstLen = paneLen;
    }
}

bool PictureFit::Compute(Mode mode, const SDL_Rect& pane, int picWidth, int picHeight,
                         SDL_Rect* src, SDL_Rect* dst)
{
    if (pane.w <= 0 || pane.h <= 0 || picWidth <= 0 || picHeight <= 0)
        return false;
    *src = SDL_Rect{0, 0, picWidth, picHeight};
    switch (mode) {
    case FILL:
        *dst = pane;
        return true;
    case TRUE_SIZE:
        TrueSizeAxis(pane.x, pane.w, picWidth, &src->x, &src->w, &dst->x, &dst->w);
        TrueSizeAxis(pane.y, pane.h, picHeight, &src->y, &src->h, &dst->y, &dst->h);
        return true;
    case KEEP_ASPECT:
    default: {
        // Compare pane.w/pane.h with pic ratio in integers to avoid drift.
        const int64_t wide = int64_t(pane.w) * picHeight;
        const int64_t tall = int64_t(pane.h) * picWidth;
        int w = pane.w;
        int h = pane.h;
        if (wide > tall)
            w = int(int64_t(pane.h) * picWidth / picHeight);
        else
            h = int(int64_t(pane.w) * picHeight / picWidth);
        if (w <= 0 || h <= 0)
            return false;
        *dst = SDL_Rect{pane.x + (pane.w - w) / 2, pane.y + (pane.h - h) / 2, w, h};
        return true;
    }
    }
}

}  // namespace kelvo
