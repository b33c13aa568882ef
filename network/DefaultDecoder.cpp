#include "VideoDecoder.h"
#include "network/MediaInterfaces.h"

namespace {

class ComponentDecoder : public FrameDecoder {
public:
    explicit ComponentDecoder(std::unique_ptr<kelvo::VideoDecoder> decoder) : m_decoder(std::move(decoder)) {}
    int Decode(const uint8_t* frame, int bytes, uint8_t* out, int capacity) override {
        return m_decoder->Decode(frame, bytes, out, capacity);
    }
    const char* CodecName() const override { return "H.264"; }

private:
    std::unique_ptr<kelvo::VideoDecoder> m_decoder;
};

}  // namespace

FrameDecoderFactory DefaultDecoderFactory() {
    return [](int width, int height) -> std::unique_ptr<FrameDecoder> {
        auto decoder = kelvo::VideoDecoder::Create(width, height);
        if (!decoder) return nullptr;
        return std::make_unique<ComponentDecoder>(std::move(decoder));
    };
}
