// The video pipeline of a stream: the pool between the connection thread
// and the render thread, pacing, decoding and the data callback.
#include <algorithm>
#include <cstring>
#include <vector>

#include "common/Protocol.h"
#include "network/RelayPackets.h"
#include "network/StreamChannel.h"
#include "network/StreamPipeline.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/Thread.h"

uint32_t StreamChannel::PoolBufferCapacity(int width, int height) {
    const uint64_t bytes = static_cast<uint64_t>(std::max(width, 0)) * static_cast<uint64_t>(std::max(height, 0)) * 2;
    const uint64_t largest = proto::kMaxPacket - relay::kMediaHead;
    return static_cast<uint32_t>(std::min(bytes, largest));
}

void StreamChannel::SetupPipeline(const relay::Description& d) {
    TeardownPipeline();
    auto p = std::make_shared<Pipeline>();
    p->width = d.Width();
    p->height = d.Height();
    p->frameRate = d.FrameRate();
    const size_t bytes = static_cast<size_t>(p->width) * static_cast<size_t>(p->height) * 2;
    p->frame.assign(bytes, 0);
    p->pool = std::make_unique<BufferPool>(PoolBufferCapacity(p->width, p->height));
    if (m_decoders) p->decoder = m_decoders(p->width, p->height);
    if (p->decoder) m_codec = p->decoder->CodecName();
    m_statWidth = p->width;
    m_statHeight = p->height;
    {
        platform::ScopedLock lock(m_mediaLock);
        m_pipeline = p;
        m_render = std::make_unique<RenderThread>(this, p);
        m_render->Start();
    }
}

void StreamChannel::TeardownPipeline() {
    std::shared_ptr<Pipeline> p;
    std::unique_ptr<RenderThread> render;
    {
        platform::ScopedLock lock(m_mediaLock);
        p = std::move(m_pipeline);
        render = std::move(m_render);
    }
    if (!render) return;
    if (p && p->pool) p->pool->Close();
    render->Stop();
    CThread::Dispose(std::move(render));
}

void StreamChannel::OnVideo(const relay::Media& media) {
    {
        // The recorder sees every frame, also those that find no pipeline.
        platform::ScopedLock lock(m_recordLock);
        m_recorder.Write(media.payload, static_cast<int>(media.payloadLength), media.subtype == 1);
    }
    std::shared_ptr<Pipeline> p;
    {
        platform::ScopedLock lock(m_mediaLock);
        p = m_pipeline;
    }
    // Before the first description there is no pool: the frame is dropped.
    if (!p || !p->pool) return;
    ++m_framesReceived;
    m_bytesReceived += media.payloadLength;
    Buffer* buffer = nullptr;
    while (!buffer && !StopRequested() && !p->pool->Closing())
        buffer = p->pool->AcquireFree(kProducerWaitMs);
    if (!buffer) return;
    buffer->kind = media.subtype;
    buffer->stamp = media.timestamp;
    buffer->arrival = platform::TickMs();
    if (!buffer->Assign(media.payload, static_cast<uint32_t>(media.payloadLength))) {
        p->pool->ReleaseFree(buffer);
        return;
    }
    p->pool->PushFilled(buffer);
}

void StreamChannel::Pace(RenderThread* thread, Pipeline& p, uint32_t stamp, uint64_t arrival) {
    // A camera restart or a wrap makes time run backwards or leap: start
    // pacing afresh instead of holding frames for the size of the jump.
    const bool jumped = p.havePrevious && (stamp < p.lastStamp || stamp - p.lastStamp > kPacingJumpMs);
    p.lastStamp = stamp;
    p.havePrevious = true;
    if (p.baseTick == 0 || p.baseStamp == 0 || jumped) {
        // Counted from when the frame came off the socket, not from when the
        // render thread got to it, so a queue never shifts the schedule.
        p.baseTick = arrival ? arrival : platform::TickMs();
        p.baseStamp = stamp;
        return;
    }
    const uint64_t due = static_cast<uint64_t>(stamp - p.baseStamp) + 20;
    // One sleep to the due time rather than short polls: sixteen streams
    // polling every 5 ms cost more than an unseen wall does otherwise.
    // Slices stay short enough for a stop to be seen promptly.
    for (uint64_t waited = platform::TickMs() - p.baseTick; !thread->Stopping() && waited <= due;
         waited = platform::TickMs() - p.baseTick)
        platform::SleepMs(static_cast<unsigned>(std::min<uint64_t>(due - waited + 1, kPacingSliceMs)));
}

void StreamChannel::RenderLoop(RenderThread* thread, std::shared_ptr<Pipeline> pipeline) {
    Pipeline& p = *pipeline;
    const int pictureBytes = p.width * p.height * 3 / 2;
    while (!thread->Stopping()) {
        Buffer* buffer = p.pool->AcquireFilled(kConsumerWaitMs);
        if (!buffer) {
            if (p.pool->Closing()) break;
            continue;
        }
        Pace(thread, p, buffer->stamp, buffer->arrival);
        {
            platform::ScopedLock media(m_mediaLock);
            const int delta = buffer->kind == 1 ? 0 : 1;
            bool drawn = false;
            const bool decode = m_dataCallback && m_dataType == 0;
            if (!decode)
                p.needKey = true;
            else if (p.needKey && buffer->kind == 1)
                p.needKey = false;
            if (decode && !p.needKey) {
                const int r = p.decoder ? p.decoder->Decode(buffer->Data(), static_cast<int>(buffer->Length()),
                                                            p.frame.data(), static_cast<int>(p.frame.size()))
                                        : 0;
                if (r > 0) {
                    drawn = true;
                } else {
                    platform::DebugTrace("decode failed.");
                    ++m_framesDropped;
                }
            } else if (decode) {
                ++m_framesDropped;  // waiting for a key frame
            }
            int alarm;
            {
                platform::ScopedLock record(m_recordLock);
                if (drawn && m_alarmEnable) m_alarms.Draw(p.frame.data(), p.width, p.height, p.frameRate);
                // Entries expire with every picture, drawn or not, so the
                // alarm flag falls also while alarms are off.
                m_alarms.Expire(platform::NowSeconds(), m_alarmTime);
                alarm = m_alarms.Empty() ? 0 : 1;
            }
            if (m_dataCallback && m_dataType != 0) {
                m_dataCallback(1, const_cast<uint8_t*>(buffer->Data()), static_cast<int>(buffer->Length()), 0,
                               delta, alarm, m_dataUser);
            } else if (drawn) {
                ++m_framesDecoded;
                m_latencyMs = static_cast<int>(platform::TickMs() - buffer->arrival);
                m_dataCallback(0, p.frame.data(), pictureBytes, static_cast<int>(p.deliveredStamp), delta,
                               alarm, m_dataUser);
                p.deliveredStamp = buffer->stamp;
            }
        }
        // A failed frame goes back exactly like a delivered one.
        p.pool->ReleaseFree(buffer);
    }
    platform::DebugTrace("video render thread exit");
}
