#include "network/MediaInterfaces.h"

FrameDecoderFactory DefaultDecoderFactory() {
    return [](int, int) { return std::unique_ptr<FrameDecoder>(); };
}
