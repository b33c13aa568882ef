#include "network/StreamAudio.h"

#include "AudioCodec.h"

StreamAudio::StreamAudio(kelvo::IAudioEngine& engine, TalkSender sender)
    : m_engine(engine), m_sender(std::move(sender)) {}

StreamAudio::~StreamAudio() { Close(); }

bool StreamAudio::IsOpen() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_channel >= 0;
}

void StreamAudio::Close() {
    int channel;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        channel = m_channel;
        m_channel = -1;
    }
    // The engine waits for a capture call in progress: no lock held here.
    if (channel >= 0) m_engine.CloseChannel(channel);
    std::lock_guard<std::mutex> lock(m_lock);
    m_decoder.reset();
    m_encoder.reset();
    m_pcm.clear();
}

bool StreamAudio::Open(int packetCodec, int streamCodec) {
    Close();
    int channel = -1;
    std::unique_ptr<kelvo::IAudioDecoder> decoder;
    std::unique_ptr<kelvo::IAudioEncoder> encoder;
    std::vector<uint8_t> pcm;
    if (streamCodec == kRawPcmCodec) {
        channel = m_engine.OpenDefaultChannel();
    } else {
        if (packetCodec < 16 || packetCodec > 25 || streamCodec < 16 || streamCodec > 25) return false;
        int p = 0, q = 0, r = 0, tp = 0, tq = 0, tr = 0;
        if (!kelvo::AudioCodec::Describe(packetCodec - 16, &p, &q, &r) ||
            !kelvo::AudioCodec::Describe(streamCodec - 16, &tp, &tq, &tr))
            return false;
        channel = m_engine.OpenChannel(q, p, tq, tp, tr);
        // Sized from the codec actually decoded, the packet's own.
        pcm.assign(static_cast<size_t>(q) * p * 2, 0);
        decoder = kelvo::AudioCodec::CreateDecoder(packetCodec - 16);
        encoder = kelvo::AudioCodec::CreateEncoder(streamCodec - 16);
    }
    if (channel < 0) return false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_streamCodec = streamCodec;
        m_channel = channel;
        m_pcm = std::move(pcm);
        m_decoder = std::move(decoder);
        m_encoder = std::move(encoder);
    }
    // Outside m_lock: the engine may hold its own lock while it calls the
    // capture handler, which takes m_lock.
    m_engine.SetCaptureHandler(channel, &StreamAudio::OnCapture, this);
    m_engine.StartChannel(channel);
    return true;
}

void StreamAudio::PlayPacket(const uint8_t* coded, int bytes) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_channel < 0 || !m_decoder || m_pcm.empty()) return;
    int length = static_cast<int>(m_pcm.size());
    if (m_decoder->Decode(coded, bytes, m_pcm.data(), &length) && length > 0)
        m_engine.Play(0, m_channel, m_pcm.data(), length);
}

void StreamAudio::PlayPcm(const uint8_t* pcm, int bytes) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_channel >= 0 && bytes > 0) m_engine.Play(0, m_channel, pcm, bytes);
}

void StreamAudio::OnCapture(int kind, int, const uint8_t* data, int bytes, void* user) {
    auto* self = static_cast<StreamAudio*>(user);
    if (kind != kelvo::kAudioCapturedPcm || !self->m_talking || bytes <= 0) return;
    std::unique_lock<std::mutex> lock(self->m_lock);
    if (self->m_streamCodec != kRawPcmCodec && self->m_encoder) {
        self->m_coded.resize(static_cast<size_t>(bytes));
        int length = bytes;
        if (!self->m_encoder->Encode(data, bytes, self->m_coded.data(), &length) || length <= 0) return;
        std::vector<uint8_t> out(self->m_coded.begin(), self->m_coded.begin() + length);
        lock.unlock();
        self->m_sender(out.data(), length);
    } else {
        lock.unlock();
        self->m_sender(data, bytes);
    }
}
