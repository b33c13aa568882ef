#include "platform/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace platform {

namespace {
class SystemClock final : public Clock {
public:
    uint64_t TickMs() const override { return platform::TickMs(); }
    uint32_t NowSeconds() const override { return platform::NowSeconds(); }
};
}  // namespace

const Clock& Clock::System() {
    // Never destroyed: a library thread may still read the time while the
    // process exits (Xlib's exit on a lost display runs static destructors).
    static const Clock* const clock = new SystemClock;
    return *clock;
}

uint64_t TickMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t NowSeconds() { return static_cast<uint32_t>(std::time(nullptr)); }

void SleepMs(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace platform
