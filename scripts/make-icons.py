#!/usr/bin/env python3
"""Draws KelvoView's line icons as PNGs (stdlib only: zlib + struct).

Icons sit on a 16 px grid with 1.5 px round-capped strokes; each is drawn by a
small function of primitives below, supersampled 4x4 for anti-aliasing.
Usage: make-icons.py OUTDIR
"""
import math
import os
import struct
import sys
import zlib

SS = 4  # supersampling per axis

PRIMARY = (0xEB, 0xEB, 0xEB)
SECOND = (0x8A, 0x97, 0xA5)
DIM = (0x56, 0x61, 0x6D)
ACCENT = (0x38, 0x63, 0x82)
ACCENT_HI = (0x4C, 0x9B, 0xE8)
ALARM = (0xE5, 0x48, 0x4D)
GREEN = (0x3F, 0xB9, 0x50)
PANEL = (0x1C, 0x22, 0x28)
BORDER = (0x2E, 0x38, 0x42)
WHITE = (0xFF, 0xFF, 0xFF)


class Canvas:
    def __init__(self, w, h, scale=1.0):
        self.w, self.h, self.s = w, h, scale
        self.px = [[(0, 0, 0, 0.0)] * w for _ in range(h)]
        self.cover = None

    # --- shape tests in icon units (before scale)
    def _paint(self, inside, color, alpha=1.0, bbox=None):
        s = self.s
        x0, y0, x1, y1 = 0, 0, self.w, self.h
        if bbox:
            x0 = max(0, int(math.floor(bbox[0] * s)) - 1)
            y0 = max(0, int(math.floor(bbox[1] * s)) - 1)
            x1 = min(self.w, int(math.ceil(bbox[2] * s)) + 2)
            y1 = min(self.h, int(math.ceil(bbox[3] * s)) + 2)
        for y in range(y0, y1):
            row = self.px[y]
            for x in range(x0, x1):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        ux = (x + (sx + 0.5) / SS) / s
                        uy = (y + (sy + 0.5) / SS) / s
                        if inside(ux, uy):
                            hits += 1
                if hits:
                    a = alpha * hits / (SS * SS)
                    r, g, b, da = row[x]
                    na = a + da * (1 - a)
                    if na > 0:
                        mix = lambda c, d: (c * a + d * da * (1 - a)) / na
                        row[x] = (mix(color[0], r), mix(color[1], g), mix(color[2], b), na)

    def line(self, x1, y1, x2, y2, color, width=1.5, alpha=1.0):
        hw = width / 2
        dx, dy = x2 - x1, y2 - y1
        ll = dx * dx + dy * dy or 1e-9

        def inside(x, y):
            t = max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / ll))
            px, py = x1 + t * dx - x, y1 + t * dy - y
            return px * px + py * py <= hw * hw
        self._paint(inside, color, alpha, (min(x1, x2) - hw, min(y1, y2) - hw, max(x1, x2) + hw, max(y1, y2) + hw))

    def poly(self, pts, color, width=1.5, closed=False):
        for i in range(len(pts) - 1):
            self.line(*pts[i], *pts[i + 1], color, width)
        if closed:
            self.line(*pts[-1], *pts[0], color, width)

    def circle(self, cx, cy, r, color, width=1.5, fill=False, alpha=1.0):
        hw = width / 2

        def inside(x, y):
            d = math.hypot(x - cx, y - cy)
            return d <= r if fill else abs(d - r) <= hw
        self._paint(inside, color, alpha, (cx - r - hw, cy - r - hw, cx + r + hw, cy + r + hw))

    def arc(self, cx, cy, r, a0, a1, color, width=1.5):
        steps = max(8, int(abs(a1 - a0) / 8))
        pts = [(cx + r * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
                cy + r * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]
        self.poly(pts, color, width)

    def rect(self, x1, y1, x2, y2, color, width=1.5, fill=False, radius=0.0, alpha=1.0):
        hw = width / 2

        def sdf(x, y):
            qx = abs(x - (x1 + x2) / 2) - ((x2 - x1) / 2 - radius)
            qy = abs(y - (y1 + y2) / 2) - ((y2 - y1) / 2 - radius)
            out = math.hypot(max(qx, 0), max(qy, 0))
            return out + min(max(qx, qy), 0) - radius

        def inside(x, y):
            d = sdf(x, y)
            return d <= 0 if fill else abs(d) <= hw
        self._paint(inside, color, alpha, (x1 - hw, y1 - hw, x2 + hw, y2 + hw))

    def png(self, path):
        raw = bytearray()
        for row in self.px:
            raw.append(0)
            for r, g, b, a in row:
                raw += bytes((int(round(r)), int(round(g)), int(round(b)), int(round(a * 255))))

        def chunk(tag, data):
            c = struct.pack(">I", len(data)) + tag + data
            return c + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
        data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
        data += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
        tmp = path + ".tmp"
        with open(tmp, "wb") as f:
            f.write(data)
        os.replace(tmp, path)


# --- icons on a 16 unit grid; c is the stroke colour
def i_close(v, c): v.line(4, 4, 12, 12, c); v.line(12, 4, 4, 12, c)
def i_min(v, c): v.line(4, 8.5, 12, 8.5, c)
def i_max(v, c): v.rect(4, 4, 12, 12, c, radius=1)
def i_restore(v, c): v.rect(3.5, 6, 10, 12.5, c, radius=1); v.poly([(6, 6), (6, 3.5), (12.5, 3.5), (12.5, 10), (10, 10)], c)
def i_user(v, c): v.circle(8, 5.5, 2.8, c); v.arc(8, 15, 5.5, 200, 340, c)
def i_lock(v, c): v.rect(3.5, 7.5, 12.5, 13.5, c, radius=1.5); v.arc(8, 7.5, 2.8, 180, 360, c); v.line(5.2, 7.5, 5.2, 5.5, c); v.line(10.8, 7.5, 10.8, 5.5, c); v.circle(8, 10.5, 0.9, c, fill=True)
def i_unlock(v, c): v.rect(3.5, 7.5, 12.5, 13.5, c, radius=1.5); v.arc(8, 5.5, 2.8, 180, 330, c); v.line(5.2, 7.5, 5.2, 5.5, c); v.circle(8, 10.5, 0.9, c, fill=True)
def i_key(v, c): v.circle(5.5, 8, 2.8, c); v.line(8.3, 8, 13.5, 8, c); v.line(11.5, 8, 11.5, 10.5, c); v.line(13.5, 8, 13.5, 10, c)
def i_settings(v, c):
    v.circle(8, 8, 2.2, c)
    for k in range(8):
        a = math.radians(k * 45)
        v.line(8 + 4.2 * math.cos(a), 8 + 4.2 * math.sin(a), 8 + 6 * math.cos(a), 8 + 6 * math.sin(a), c, 2)
    v.circle(8, 8, 4.3, c)
def i_logout(v, c): v.poly([(9, 3), (3.5, 3), (3.5, 13), (9, 13)], c); v.line(7, 8, 13.5, 8, c); v.poly([(11, 5.5), (13.5, 8), (11, 10.5)], c)
def i_refresh(v, c): v.arc(8, 8, 5, 200, 470, c); v.poly([(13.5, 3.5), (13.3, 6.8), (10, 6.5)], c)
def i_grid1(v, c): v.rect(2.5, 2.5, 13.5, 13.5, c, radius=1)
def i_grid4(v, c): i_grid1(v, c); v.line(8, 2.5, 8, 13.5, c, 1.2); v.line(2.5, 8, 13.5, 8, c, 1.2)
def i_grid9(v, c):
    i_grid1(v, c)
    for t in (6.2, 9.8):
        v.line(t, 2.5, t, 13.5, c, 1.1); v.line(2.5, t, 13.5, t, c, 1.1)
def i_grid16(v, c):
    i_grid1(v, c)
    for t in (5.25, 8, 10.75):
        v.line(t, 2.5, t, 13.5, c, 1.0); v.line(2.5, t, 13.5, t, c, 1.0)
def i_gridcustom(v, c): i_grid1(v, c); v.line(9, 2.5, 9, 13.5, c, 1.2); v.line(9, 8, 13.5, 8, c, 1.2); v.line(2.5, 9, 9, 9, c, 1.2)
def i_fullscreen(v, c):
    for (x, y, dx, dy) in ((3, 3, 1, 1), (13, 3, -1, 1), (3, 13, 1, -1), (13, 13, -1, -1)):
        v.poly([(x, y + 3.5 * dy), (x, y), (x + 3.5 * dx, y)], c)
def i_fitscale(v, c): v.rect(2.5, 4, 13.5, 12, c, radius=1); v.rect(5.5, 6, 10.5, 10, c, 1.2)
def i_fitscreen(v, c): v.rect(2.5, 4, 13.5, 12, c, radius=1); v.poly([(5, 8), (3.8, 8)], c); v.poly([(11, 8), (12.2, 8)], c); v.poly([(5, 6.5), (3.8, 8), (5, 9.5)], c, 1.2); v.poly([(11, 6.5), (12.2, 8), (11, 9.5)], c, 1.2)
def i_truesize(v, c): v.rect(2.5, 4, 13.5, 12, c, radius=1); v.line(6, 6.5, 6, 9.5, c, 1.2); v.line(10, 6.5, 10, 9.5, c, 1.2); v.circle(8, 7, 0.5, c, fill=True); v.circle(8, 9, 0.5, c, fill=True)
def i_alarm(v, c): v.arc(8, 8.5, 4.5, 180, 360, c); v.line(3.5, 8.5, 3.5, 11.5, c); v.line(12.5, 8.5, 12.5, 11.5, c); v.line(2.5, 11.5, 13.5, 11.5, c); v.line(7, 13.7, 9, 13.7, c)
def i_closeall(v, c): v.rect(2.5, 2.5, 13.5, 13.5, c, radius=1); v.line(5.5, 5.5, 10.5, 10.5, c); v.line(10.5, 5.5, 5.5, 10.5, c)
def i_camera(v, c): v.rect(2, 5, 11, 11.5, c, radius=1.5); v.poly([(11, 7.5), (14, 5.5), (14, 11), (11, 9)], c)
def i_folder(v, c): v.poly([(1.5, 3.5), (6, 3.5), (7.5, 5), (14.5, 5), (14.5, 12.5), (1.5, 12.5)], c, closed=True)
def i_snapshot(v, c): v.rect(2, 4.5, 14, 13, c, radius=1.5); v.circle(8, 8.7, 2.5, c); v.line(5.5, 4.5, 6.5, 2.8, c); v.line(6.5, 2.8, 9.5, 2.8, c); v.line(9.5, 2.8, 10.5, 4.5, c)
def i_record(v, c): v.circle(8, 8, 5.5, c); v.circle(8, 8, 2.5, ALARM, fill=True)
def i_stoprec(v, c): v.circle(8, 8, 5.5, c); v.rect(6, 6, 10, 10, ALARM, fill=True, radius=0.5)
def i_audio(v, c): v.poly([(2.5, 6), (5, 6), (8, 3), (8, 13), (5, 10), (2.5, 10)], c, closed=True); v.arc(8.5, 8, 3, -50, 50, c); v.arc(8.5, 8, 5.5, -50, 50, c)
def i_mute(v, c): v.poly([(2.5, 6), (5, 6), (8, 3), (8, 13), (5, 10), (2.5, 10)], c, closed=True); v.line(10.5, 6, 14, 10, c); v.line(14, 6, 10.5, 10, c)
def i_talk(v, c): v.rect(6, 2, 10, 9.5, c, radius=2); v.arc(8, 7, 4.5, 20, 160, c); v.line(8, 11.5, 8, 14, c); v.line(5.5, 14, 10.5, 14, c)
def i_stop(v, c): v.rect(4, 4, 12, 12, c, radius=1)
def i_play(v, c): v.poly([(5, 3.5), (12.5, 8), (5, 12.5)], c, closed=True)
def i_pause(v, c): v.line(5.5, 4, 5.5, 12, c, 2); v.line(10.5, 4, 10.5, 12, c, 2)
def i_prev(v, c): v.poly([(11.5, 4), (6, 8), (11.5, 12)], c, closed=True); v.line(4.5, 4, 4.5, 12, c)
def i_next(v, c): v.poly([(4.5, 4), (10, 8), (4.5, 12)], c, closed=True); v.line(11.5, 4, 11.5, 12, c)
def i_search(v, c): v.circle(7, 7, 4.2, c); v.line(10, 10, 13.5, 13.5, c, 1.8)
def i_plus(v, c): v.line(8, 3.5, 8, 12.5, c); v.line(3.5, 8, 12.5, 8, c)
def i_minus(v, c): v.line(3.5, 8, 12.5, 8, c)
def i_chevl(v, c): v.poly([(10, 3.5), (5.5, 8), (10, 12.5)], c)
def i_chevr(v, c): v.poly([(6, 3.5), (10.5, 8), (6, 12.5)], c)
def i_ptz(v, c): v.circle(8, 8, 5.8, c); v.circle(8, 8, 1.6, c, fill=True); v.poly([(8, 3.6), (6.8, 4.8)], c, 1.2); v.poly([(8, 3.6), (9.2, 4.8)], c, 1.2)
def i_views(v, c): v.rect(2, 5.5, 11, 13.5, c, radius=1); v.poly([(5, 5.5), (5, 2.5), (14, 2.5), (14, 10.5), (11, 10.5)], c)
def i_preset(v, c): v.poly([(4, 2.5), (12, 2.5), (12, 13.5), (8, 10.5), (4, 13.5)], c, closed=True)


def arrow(direction):
    def draw(v, c):
        a = {"up": -90, "down": 90, "left": 180, "right": 0, "ul": -135, "ur": -45, "dl": 135, "dr": 45}[direction]
        r = math.radians(a)
        tip = (8 + 4.5 * math.cos(r), 8 + 4.5 * math.sin(r))
        l = (8 + 4.5 * math.cos(r + 2.4), 8 + 4.5 * math.sin(r + 2.4))
        rr = (8 + 4.5 * math.cos(r - 2.4), 8 + 4.5 * math.sin(r - 2.4))
        v.poly([l, tip, rr], c, 1.8)
    return draw


ICONS = {
    "close": i_close, "min": i_min, "max": i_max, "restore": i_restore, "user": i_user, "lock": i_lock,
    "unlock": i_unlock, "key": i_key, "settings": i_settings, "logout": i_logout, "refresh": i_refresh,
    "grid1": i_grid1, "grid4": i_grid4, "grid9": i_grid9, "grid16": i_grid16, "gridcustom": i_gridcustom,
    "fullscreen": i_fullscreen, "fitscale": i_fitscale, "fitscreen": i_fitscreen, "truesize": i_truesize,
    "alarm": i_alarm, "closeall": i_closeall, "camera": i_camera, "snapshot": i_snapshot, "record": i_record,
    "stoprec": i_stoprec, "audio": i_audio, "mute": i_mute, "talk": i_talk, "stop": i_stop, "play": i_play,
    "pause": i_pause, "prev": i_prev, "next": i_next, "search": i_search, "plus": i_plus, "minus": i_minus,
    "chevl": i_chevl, "chevr": i_chevr, "ptz": i_ptz, "preset": i_preset, "views": i_views, "folder": i_folder,
}
for d in ("up", "down", "left", "right", "ul", "ur", "dl", "dr"):
    ICONS["arrow_" + d] = arrow(d)


def icon(name, color, scale, out):
    v = Canvas(int(16 * scale), int(16 * scale), scale)
    ICONS[name](v, color)
    v.png(out)


def checkbox(out):
    # Three 16 px frames side by side: off, off-hot, on.
    v = Canvas(48, 16)
    v.rect(2.5, 2.5, 13.5, 13.5, SECOND, 1.2, radius=2)
    v.rect(18.5, 2.5, 29.5, 13.5, PRIMARY, 1.2, radius=2)
    v.rect(34, 2, 46, 14, ACCENT_HI, fill=True, radius=2.5)
    v.poly([(37, 8.2), (39.3, 10.5), (43.5, 5.5)], WHITE, 1.6)
    v.png(out)


def tree_expand(out):
    # 25x12 sprite: collapsed (right chevron) at 0..12, expanded (down chevron) at 13..25.
    v = Canvas(25, 12)
    v.poly([(4.5, 2.5), (8, 6), (4.5, 9.5)], SECOND, 1.4)
    v.poly([(15.5, 4.5), (19, 8), (22.5, 4.5)], SECOND, 1.4)
    v.png(out)


def folder18(out):
    v = Canvas(18, 14)
    v.poly([(1.5, 1.5), (6.5, 1.5), (8, 3), (16.5, 3), (16.5, 12.5), (1.5, 12.5)], (0xC9, 0xA2, 0x4A), 1.3, closed=True)
    v.line(1.5, 5.2, 16.5, 5.2, (0xC9, 0xA2, 0x4A), 1.0)
    v.png(out)


def camera_states(out):
    # 16 px frames: offline, online, open (accent dot).
    v = Canvas(48, 16)
    for i, col in enumerate((DIM, PRIMARY, PRIMARY)):
        o = i * 16
        v.rect(o + 2, 5, o + 10.5, 11.5, col, 1.3, radius=1.5)
        v.poly([(o + 10.5, 7.3), (o + 14, 5.5), (o + 14, 11), (o + 10.5, 9.2)], col, 1.3)
    v.circle(32 + 12.5, 12.5, 2.3, GREEN, fill=True)
    v.png(out)


# Custom wall layouts of the layout chooser: (style id, columns, rows, span of the first pane).
# The viewer keeps the same grids (viewer/windows/MpuStyleTable.cpp); its test renders the
# chooser and counts the cells drawn here.
MPU_STYLES = [
    (3006, 3, 3, 2), (3008, 4, 4, 3), (3011, 4, 3, 2), (3010, 5, 5, 4), (3012, 6, 6, 5), (3013, 4, 3, 1),
    (3016, 8, 8, 7), (3017, 5, 5, 3), (3018, 5, 4, 2), (3020, 5, 4, 1), (3025, 5, 5, 1), (3030, 6, 5, 1),
    (3034, 7, 7, 4), (3035, 7, 6, 3), (3036, 6, 6, 1), (3042, 7, 6, 1), (3048, 8, 7, 4), (3049, 7, 7, 1),
    (3050, 8, 8, 4), (3056, 8, 7, 1), (3063, 9, 7, 1), (3064, 8, 8, 1),
]
MPU_W, MPU_H = 40, 30
MPU_GAP = (0x15, 0x19, 0x1E)    # window background between the panes
MPU_CELL = (0x4A, 0x56, 0x63)   # an ordinary pane
MPU_LARGE = ACCENT_HI           # the large first pane (span > 1)


def mpu_layout(cols, rows, span, out):
    # Pixel-exact: 1 px gaps on the cell boundaries, none inside the large pane.
    v = Canvas(MPU_W, MPU_H)
    xs = [round(i * MPU_W / cols) for i in range(cols + 1)]
    ys = [round(j * MPU_H / rows) for j in range(rows + 1)]
    for y in range(MPU_H):
        r = max(j for j in range(rows) if ys[j] <= y)
        for x in range(MPU_W):
            c = max(i for i in range(cols) if xs[i] <= x)
            large = span > 1 and c < span and r < span
            gap = not large and ((c > 0 and x == xs[c]) or (r > 0 and y == ys[r]))
            col = MPU_GAP if gap else (MPU_LARGE if large else MPU_CELL)
            v.px[y][x] = (col[0], col[1], col[2], 1.0)
    v.png(out)


def logo(out, size):
    s = size / 32.0
    v = Canvas(size, size, s)
    v.rect(1, 1, 31, 31, ACCENT, fill=True, radius=7)
    v.circle(16, 16, 8.5, WHITE, 2.2)
    v.circle(16, 16, 3.6, WHITE, fill=True)
    v.circle(23.5, 8.5, 1.6, ALARM, fill=True)
    v.png(out)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "skin/img"
    os.makedirs(out, exist_ok=True)
    for name in ICONS:
        icon(name, SECOND, 1, os.path.join(out, "ic_%s.png" % name))
        icon(name, WHITE, 1, os.path.join(out, "ic_%s_hot.png" % name))
    for name in ("close", "lock", "user", "key"):
        icon(name, SECOND, 2, os.path.join(out, "ic_%s@2x.png" % name))
    checkbox(os.path.join(out, "checkbox.png"))
    tree_expand(os.path.join(out, "treeview_expand.png"))
    folder18(os.path.join(out, "folder.png"))
    camera_states(os.path.join(out, "camera_state.png"))
    for sid, cols, rows, span in MPU_STYLES:
        mpu_layout(cols, rows, span, os.path.join(out, "mpu_%d.png" % sid))
    logo(os.path.join(out, "logo.png"), 32)
    logo(os.path.join(out, "logo_48.png"), 48)
    logo(os.path.join(out, "logo_256.png"), 256)


if __name__ == "__main__":
    main()
