// A relay's byte stream into a stream: login and download replies,
// descriptions, media, sound and alarm records.
#include <cstddef>
#include <cstdint>

#include "network/StreamChannel.h"
#include "platform/DebugOutput.h"
#include "testing/FakeAudioEngine.h"

namespace {
class Harness : public StreamChannel {
public:
    Harness(SessionChannel* s, kelvo::IAudioEngine* e)
        : StreamChannel(s, [](int, int) { return std::unique_ptr<FrameDecoder>(); }, e) {
        SetBackoff(0, 0);
    }
    bool Feed(const uint8_t* d, size_t n, size_t* consumed) { return OnReceive(d, n, consumed); }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static kelvo::testing::FakeAudioEngine engine;
    static const bool quiet = [] {
        platform::SetOutputSink([](platform::OutputChannel, const std::string&) {});
        return true;
    }();
    (void)quiet;
    static SessionChannel session(&engine);
    Harness stream(&session, &engine);
    stream.EnableAlarm(true);
    size_t consumed = 0;
    stream.Feed(data, size, &consumed);
    stream.Stop();
    return 0;
}
