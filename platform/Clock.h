// Time sources. Long waits (heartbeats, stalls, back-off) read the clock
// through this interface so tests can drive them without sleeping.
// Thread: any; implementations must be safe to read from any thread.
#pragma once

#include <cstdint>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic milliseconds.
    virtual uint64_t TickMs() const = 0;
    // Wall clock, seconds since 1970.
    virtual uint32_t NowSeconds() const = 0;

    // The real clock; lives for the whole process.
    static const Clock& System();
};

uint64_t TickMs();
uint32_t NowSeconds();
void SleepMs(unsigned ms);

}  // namespace platform
