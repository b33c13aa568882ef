#include "PictureZoom.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kelvo {

namespace {
// Start and length of one axis of the shown part, kept inside [0, size].
void Clamp(double size, double* start, double len)
{
    *start = std::min(std::max(*start, 0.0), std::max(size - len, 0.0));
}

// Rounds both edges, so neighbouring steps never shrink a side to nothing.
void ToInt(double start, double len, int size, int* outStart, int* outLen)
{
    int a = int(std::lround(start));
    int b = int(std::lround(start + len));
    a = std::min(std::max(a, 0), size - 1);
    b = std::min(std::max(b, a + 1), size);
    *outStart = a;
    *outLen = b - a;
}
}  // namespace

bool PictureZoom::Place(PictureFit::Mode mode, const SDL_Rect& pane, int width, int height, Placement* out)
{
    out->width = width;
    out->height = height;
    return PictureFit::Compute(mode, pane, width, height, &out->fitSrc, &out->dst);
}

bool PictureZoom::Valid(const Placement& p)
{
    return p.width > 0 && p.height > 0 && p.fitSrc.w > 0 && p.fitSrc.h > 0 && p.dst.w > 0 && p.dst.h > 0;
}

double PictureZoom::Factor() const
{
    return std::pow(2.0, double(m_steps) / kStepsPerDoubling);
}

std::string PictureZoom::Label() const
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f\xC3\x97", Factor());
    return text;
}

PictureZoom::Span PictureZoom::SourceSpan(const Placement& p) const
{
    const SDL_Rect& f = p.fitSrc;
    if (m_steps == 0)
        return Span{double(f.x), double(f.y), double(f.w), double(f.h)};
    const double factor = Factor();
    Span s{0, 0, f.w / factor, f.h / factor};
    s.x = m_cx * p.width - s.w / 2;
    s.y = m_cy * p.height - s.h / 2;
    Clamp(p.width, &s.x, s.w);
    Clamp(p.height, &s.y, s.h);
    return s;
}

SDL_Rect PictureZoom::Source(const Placement& p) const
{
    if (m_steps == 0 || !Valid(p))
        return p.fitSrc;
    const Span s = SourceSpan(p);
    SDL_Rect r{0, 0, 0, 0};
    ToInt(s.x, s.w, p.width, &r.x, &r.w);
    ToInt(s.y, s.h, p.height, &r.y, &r.h);
    return r;
}

bool PictureZoom::PictureAt(const Placement& p, double x, double y, double* px, double* py) const
{
    if (!Valid(p))
        return false;
    const SDL_Rect s = Source(p);
    *px = s.x + (x - p.dst.x) * s.w / p.dst.w;
    *py = s.y + (y - p.dst.y) * s.h / p.dst.h;
    return true;
}

void PictureZoom::CentreOn(const Placement& p, double x, double y, double w, double h)
{
    Clamp(p.width, &x, w);
    Clamp(p.height, &y, h);
    m_cx = (x + w / 2) / p.width;
    m_cy = (y + h / 2) / p.height;
}

bool PictureZoom::ZoomAt(const Placement& p, int x, int y, int notches)
{
    const int steps = std::min(std::max(m_steps + notches, 0), int(kMaxSteps));
    if (steps == m_steps || !Valid(p))
        return false;
    if (steps == 0) {
        Reset();
        return true;
    }
    // The centre of the screen pixel, inside the drawn picture.
    const double sx = std::min(std::max(x + 0.5, double(p.dst.x)), double(p.dst.x + p.dst.w)) - p.dst.x;
    const double sy = std::min(std::max(y + 0.5, double(p.dst.y)), double(p.dst.y + p.dst.h)) - p.dst.y;
    const Span s = SourceSpan(p);
    const double px = s.x + sx * s.w / p.dst.w;
    const double py = s.y + sy * s.h / p.dst.h;
    m_steps = steps;
    const double factor = Factor();
    const double w = p.fitSrc.w / factor;
    const double h = p.fitSrc.h / factor;
    CentreOn(p, px - sx * w / p.dst.w, py - sy * h / p.dst.h, w, h);
    return true;
}

bool PictureZoom::PanBy(const Placement& p, int dx, int dy)
{
    if (m_steps == 0 || !Valid(p) || (dx == 0 && dy == 0))
        return false;
    const Span s = SourceSpan(p);
    const double oldX = m_cx;
    const double oldY = m_cy;
    CentreOn(p, s.x - dx * s.w / p.dst.w, s.y - dy * s.h / p.dst.h, s.w, s.h);
    return m_cx != oldX || m_cy != oldY;
}

void PictureZoom::Reset()
{
    m_steps = 0;
    m_cx = 0.5;
    m_cy = 0.5;
}

}  // namespace kelvo
