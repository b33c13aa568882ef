#include "sim/PtzState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {
double Speed(int param) { return std::clamp(param, 1, 100) * 0.6; }  // 60 deg/s at full speed
}  // namespace

void PtzState::Advance(int64_t nowMs) {
    if (m_lastMs == 0) m_lastMs = nowMs;
    double dt = static_cast<double>(nowMs - m_lastMs) / 1000.0;
    m_lastMs = nowMs;
    if (dt <= 0) return;
    m_pos.pan += m_panSpeed * dt;
    while (m_pos.pan > 180) m_pos.pan -= 360;
    while (m_pos.pan < -180) m_pos.pan += 360;
    m_pos.tilt = std::clamp(m_pos.tilt + m_tiltSpeed * dt, -90.0, 90.0);
    m_pos.zoom = std::clamp(m_pos.zoom + m_zoomSpeed * dt, 1.0, 10.0);
}

PtzPosition PtzState::At(int64_t nowMs) const {
    PtzState copy = *this;
    copy.Advance(nowMs);
    return copy.m_pos;
}

bool PtzState::Apply(int command, int param, int64_t nowMs) {
    Advance(nowMs);
    switch (command) {
    case 1: m_panSpeed = -Speed(param); break;
    case 3: m_panSpeed = Speed(param); break;
    case 2: case 4: m_panSpeed = 0; break;
    case 5: m_tiltSpeed = Speed(param); break;
    case 7: m_tiltSpeed = -Speed(param); break;
    case 6: case 8: m_tiltSpeed = 0; break;
    case 9:
        m_panSpeed = m_tiltSpeed = m_zoomSpeed = 0;
        m_pos.pan = m_pos.tilt = 0;
        m_pos.zoom = 1;
        break;
    case 18: m_zoomSpeed = Speed(param) / 30.0; break;
    case 20: m_zoomSpeed = -Speed(param) / 30.0; break;
    case 19: case 21: m_zoomSpeed = 0; break;
    case 22: --m_pos.focus; break;
    case 24: ++m_pos.focus; break;
    case 26: ++m_pos.light; break;
    case 28: --m_pos.light; break;
    case 23: case 25: case 27: case 29: break;
    case 30: case 32: m_panSpeed = Speed(param) / 2; break;  // cruise
    case 31: case 33: m_panSpeed = 0; break;
    case 34: m_presets[param] = m_pos; break;
    case 35: {
        auto it = m_presets.find(param);
        if (it != m_presets.end()) {
            m_panSpeed = m_tiltSpeed = m_zoomSpeed = 0;
            m_pos.pan = it->second.pan;
            m_pos.tilt = it->second.tilt;
            m_pos.zoom = it->second.zoom;
        }
        break;
    }
    case 36: m_presets.erase(param); break;
    case 37: m_presets.clear(); break;
    default: return false;
    }
    return true;
}

std::string PtzState::Format(const PtzPosition& p) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "pan=%.1f tilt=%.1f zoom=%.2f", p.pan, p.tilt, p.zoom);
    return buf;
}

}  // namespace sim
