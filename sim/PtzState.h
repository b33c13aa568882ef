// Pan, tilt and zoom of one simulated PTZ camera. Moves started by a
// command continue at the commanded speed until their stop command.
// Thread: not shared by itself; SimState guards it.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace sim {

struct PtzPosition {
    double pan = 0;   // degrees, -180..180
    double tilt = 0;  // degrees, -90..90
    double zoom = 1;  // 1..10
    int focus = 0;
    int light = 0;
};

class PtzState {
public:
    // Applies one command with its parameter (speed or preset number).
    // Returns false for a command the camera does not know.
    bool Apply(int command, int param, int64_t nowMs);
    PtzPosition At(int64_t nowMs) const;
    static std::string Format(const PtzPosition& p);

private:
    void Advance(int64_t nowMs);

    PtzPosition m_pos;
    double m_panSpeed = 0, m_tiltSpeed = 0, m_zoomSpeed = 0;  // per second
    int64_t m_lastMs = 0;
    std::map<int, PtzPosition> m_presets;
};

}  // namespace sim
