#include "PlaybackSession.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/time.h>
}

#include <algorithm>

namespace kelvo {

namespace {
// A picture more than this late restarts the clock instead of hurrying.
constexpr double kMaxLateSeconds = 0.5;
// Pictures this close before a seek target count as on it.
constexpr double kSeekSlack = 0.001;
}  // namespace

PlaybackSession::PlaybackSession(std::shared_ptr<PictureSlot> slot, int ioTimeoutMs)
    : m_slot(std::move(slot)), m_ioTimeoutMs(ioTimeoutMs) {}

PlaybackSession::~PlaybackSession() {
    // Only reached with the thread joined or detached, or on the thread
    // itself when it dropped the last reference.
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id())
            m_thread.detach();
        else
            m_thread.join();
    }
}

int PlaybackSession::Interrupt(void* opaque) {
    auto* self = static_cast<PlaybackSession*>(opaque);
    return self->m_abort.load() || av_gettime_relative() > self->m_deadlineUs.load() ? 1 : 0;
}

void PlaybackSession::ArmDeadline(int ms) { m_deadlineUs = av_gettime_relative() + int64_t{ms} * 1000; }

bool PlaybackSession::Open(const std::string& url) {
    if (OpenInput(url)) return true;
    Finish(true);
    return false;
}

bool PlaybackSession::OpenInput(const std::string& url) {
    if (url.empty() || m_abort) return false;
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) return false;
    raw->interrupt_callback.callback = &PlaybackSession::Interrupt;
    raw->interrupt_callback.opaque = this;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", kProtocolWhitelist, 0);
    ArmDeadline(m_ioTimeoutMs);  // one deadline for the whole open
    int r = avformat_open_input(&raw, url.c_str(), nullptr, &options);  // frees raw on failure
    av_dict_free(&options);
    if (r < 0) return false;
    InputFormatPtr format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0) return false;
    const AVCodec* decoder = nullptr;
    int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (index < 0 || !decoder) return false;
    AVStream* stream = format->streams[index];
    CodecContextPtr codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0) return false;
    codec->thread_count = 1;  // frame threads would delay the first picture
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) return false;
    int audioIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, index, nullptr, 0);
    if (audioIndex >= 0) {
        auto audio = std::make_unique<AudioOutput>();
        if (audio->Open(format->streams[audioIndex])) {
            m_audio = std::move(audio);
            m_audioIndex = audioIndex;
        }
    }
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (static_cast<int>(i) != index && static_cast<int>(i) != m_audioIndex)
            format->streams[i]->discard = AVDISCARD_ALL;

    m_timeBase = stream->time_base;
    m_startPts = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    if (stream->duration > 0)
        m_duration = stream->duration * av_q2d(stream->time_base);
    else if (format->duration > 0)
        m_duration = static_cast<double>(format->duration) / AV_TIME_BASE;
    m_videoIndex = index;
    m_format = std::move(format);
    m_codec = std::move(codec);
    m_opened = true;
    return !m_abort;
}

bool PlaybackSession::Play() {
    if (!m_opened || m_abort) return false;
    std::lock_guard<std::mutex> lock(m_lock);
    m_paused = false;
    m_clockValid = false;
    if (!m_thread.joinable() && !m_threadDone)
        m_thread = std::thread([self = shared_from_this()] { self->Run(); });
    m_wake.notify_all();
    if (m_audio) m_audio->SetPaused(false);
    return true;
}

void PlaybackSession::SetPaused(bool paused) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_paused == paused) return;
        m_paused = paused;
        m_clockValid = false;  // resume restarts the clock at the shown position
        m_wake.notify_all();
    }
    if (m_opened && m_audio) m_audio->SetPaused(paused);
}

void PlaybackSession::SetSpeed(double factor) {
    const double speed = std::clamp(factor, kMinSpeed, kMaxSpeed);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_speed.load() == speed) return;
        m_speed = speed;
        m_clockValid = false;  // the clock restarts at the shown picture
        // Sound queued at one speed must not play at another; the decode thread owns the
        // audio decoder, so it does the reset.
        m_audioReset = true;
        m_wake.notify_all();
    }
}

void PlaybackSession::StepFrame() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_paused = true;
        m_showOne = true;
        m_clockValid = false;
        m_wake.notify_all();
    }
    if (m_opened && m_audio) m_audio->SetPaused(true);
}

bool PlaybackSession::HasAudio() const { return m_opened && m_audio && m_audio->HasDevice(); }

uint32_t PlaybackSession::QueuedAudioBytes() const { return m_opened && m_audio ? m_audio->QueuedBytes() : 0; }

void PlaybackSession::Seek(double fraction) {
    if (!m_opened) return;
    double target = std::clamp(fraction, 0.0, 1.0) * m_duration.load();
    std::lock_guard<std::mutex> lock(m_lock);
    m_seekPending = true;
    m_seekTarget = target;
    m_position = target;
    m_completed = false;
    m_wake.notify_all();
}

double PlaybackSession::Position() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_position;
}

bool PlaybackSession::WaitCompletion(int ms) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_wake.wait_for(lock, std::chrono::milliseconds(std::max(ms, 0)),
                           [this] { return m_completed || m_abort; });
}

bool PlaybackSession::Failed() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_failed;
}

void PlaybackSession::Abort() {
    m_abort = true;
    if (m_opened && m_audio) m_audio->SetPaused(true);
    std::lock_guard<std::mutex> lock(m_lock);
    m_wake.notify_all();
}

void PlaybackSession::Shutdown(int ms) {
    Abort();
    std::unique_lock<std::mutex> lock(m_lock);
    if (!m_thread.joinable()) return;
    bool done = m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_threadDone; });
    std::thread thread = std::move(m_thread);
    lock.unlock();
    if (done)
        thread.join();
    else
        thread.detach();  // its reference keeps this session alive
}

void PlaybackSession::Run() {
    PacketPtr packet(av_packet_alloc());
    if (!packet) Finish(true);
    while (packet && !m_abort) {
        double seekTo = -1;
        bool audioReset = false;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_wake.wait(lock, [this] {
                return m_abort || m_seekPending || (!m_completed && (!m_paused || m_showOne));
            });
            if (m_abort) break;
            audioReset = m_audioReset;
            m_audioReset = false;
            if (m_seekPending) {
                seekTo = m_seekTarget;
                m_seekPending = false;
                m_showOne = m_paused;
                m_clockValid = false;
            }
        }
        if (audioReset && m_audio) m_audio->Clear();
        if (seekTo >= 0) {
            SeekTo(seekTo);
            continue;
        }
        ArmDeadline(m_ioTimeoutMs);
        int r = av_read_frame(m_format.get(), packet.get());
        if (r == AVERROR(EAGAIN)) continue;
        if (r < 0) {
            if (m_abort) break;
            // Drain what the decoder still holds, then report the end.
            avcodec_send_packet(m_codec.get(), nullptr);
            DecodePacket(nullptr);
            if (m_audio) m_audio->Decode(nullptr, m_dropBefore);
            Finish(r != AVERROR_EOF);
            continue;
        }
        if (packet->stream_index == m_videoIndex)
            DecodePacket(packet.get());
        else if (packet->stream_index == m_audioIndex && m_audio && m_speed.load() == 1.0)
            m_audio->Decode(packet.get(), m_dropBefore);
        av_packet_unref(packet.get());
    }
    std::lock_guard<std::mutex> lock(m_lock);
    m_threadDone = true;
    m_wake.notify_all();
}

void PlaybackSession::SeekTo(double target) {
    int64_t ts = m_startPts + static_cast<int64_t>(target / av_q2d(m_timeBase));
    ArmDeadline(m_ioTimeoutMs);
    // Back to the key frame at or before the target, then decode forward.
    if (av_seek_frame(m_format.get(), m_videoIndex, ts, AVSEEK_FLAG_BACKWARD) < 0)
        av_seek_frame(m_format.get(), m_videoIndex, ts, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
    avcodec_flush_buffers(m_codec.get());
    if (m_audio) m_audio->Clear();
    m_dropBefore = target;
    m_lastPosition = target;
}

bool PlaybackSession::DecodePacket(const AVPacket* packet) {
    if (packet && avcodec_send_packet(m_codec.get(), packet) < 0) return !m_abort;
    FramePtr frame(av_frame_alloc());
    if (!frame) return false;
    while (!m_abort && avcodec_receive_frame(m_codec.get(), frame.get()) == 0) {
        Present(frame.get());
        av_frame_unref(frame.get());
    }
    return !m_abort;
}

void PlaybackSession::Present(AVFrame* frame) {
    double position = m_lastPosition;
    if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
        position = (frame->best_effort_timestamp - m_startPts) * av_q2d(m_timeBase);
    m_lastPosition = position;
    if (position + kSeekSlack < m_dropBefore) return;  // decoding forward to a seek target
    m_dropBefore = -1;
    AVFrame* source = ToI420(frame);
    if (!source) return;
    const uint8_t* const planes[3] = {source->data[0], source->data[1], source->data[2]};
    const int strides[3] = {source->linesize[0], source->linesize[1], source->linesize[2]};
    // Stored under m_lock so that no picture lands after Pause or Seek returned.
    std::unique_lock<std::mutex> lock(m_lock);
    if (!WaitUntilDue(lock, position)) return;
    if (m_slot->Store(planes, strides, source->width, source->height, position)) m_position = position;
}

bool PlaybackSession::WaitUntilDue(std::unique_lock<std::mutex>& lock, double position) {
    for (;;) {
        if (m_abort || m_seekPending) return false;
        if (m_paused) {
            if (m_showOne) {
                m_showOne = false;
                return true;
            }
            m_wake.wait(lock);
            continue;
        }
        Clock::time_point now = Clock::now();
        auto offset = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(position / m_speed.load()));
        if (!m_clockValid) {
            m_clockBase = now - offset;
            m_clockValid = true;
            return true;
        }
        Clock::time_point due = m_clockBase + offset;
        if (now >= due) {
            if (now - due > std::chrono::duration<double>(kMaxLateSeconds)) m_clockBase = now - offset;
            return true;
        }
        m_wake.wait_until(lock, due);
    }
}

AVFrame* PlaybackSession::ToI420(AVFrame* frame) {
    if (frame->format == AV_PIX_FMT_YUV420P || frame->format == AV_PIX_FMT_YUVJ420P) return frame;
    m_sws.reset(sws_getCachedContext(m_sws.release(), frame->width, frame->height,
                                     static_cast<AVPixelFormat>(frame->format), frame->width,
                                     frame->height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr,
                                     nullptr, nullptr));
    if (!m_sws) return nullptr;
    if (!m_converted || m_converted->width != frame->width || m_converted->height != frame->height) {
        m_converted.reset(av_frame_alloc());
        if (!m_converted) return nullptr;
        m_converted->format = AV_PIX_FMT_YUV420P;
        m_converted->width = frame->width;
        m_converted->height = frame->height;
        if (av_frame_get_buffer(m_converted.get(), 0) < 0) {
            m_converted.reset();
            return nullptr;
        }
    }
    sws_scale(m_sws.get(), frame->data, frame->linesize, 0, frame->height, m_converted->data,
              m_converted->linesize);
    return m_converted.get();
}

void PlaybackSession::Finish(bool failed) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_completed = true;
    m_failed = m_failed || failed;
    m_wake.notify_all();
}

}  // namespace kelvo
