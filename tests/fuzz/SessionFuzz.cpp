// The central server's byte stream: packet cutting, every handler, the
// directory builders and the rights document.
#include <cstddef>
#include <cstdint>

#include "network/SessionChannel.h"
#include "platform/DebugOutput.h"
#include "testing/FakeAudioEngine.h"

namespace {
class Harness : public SessionChannel {
public:
    explicit Harness(kelvo::IAudioEngine* e) : SessionChannel(e) {}
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
    Harness session(&engine);
    size_t consumed = 0;
    if (session.Feed(data, size, &consumed) && consumed <= size) {
        int count = 64;
        NodeInfo nodes[64];
        session.GetNode(nullptr, nodes, &count);
        for (int i = 0; i < count; ++i) {
            CameraInfo cams[16];
            int n = 16;
            session.GetCamera(nodes[i].key, cams, &n);
            session.GetNodeCount(nodes[i].key);
        }
        session.GetRightMask();
    }
    return 0;
}
