// One live stream of one camera: a connection to the camera's relay, the
// relay protocol and its state reports, and the video pipeline (a render
// thread that paces, decodes and hands pictures to the data callback).
//
// Thread contract:
//   - Exports (Start, Stop, setters, alarm and PTZ calls): any thread.
//   - Connection thread: OnConnect, OnReceive, state reports, the producer
//     side of the pool, alarm records.
//   - Render thread: the consumer side, decoding, the data callback (run
//     with m_mediaLock held, so setters and snapshots wait for a delivery).
//   - m_mediaLock guards the callbacks, the data type and the pipeline
//     pointer; m_recordLock guards the alarm map, the alarm flag and time.
//     Order: media lock, then record lock.
//   - The owning session outlives the stream (streams are destroyed first).
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "KelvoNetwork.h"
#include "network/AlarmMap.h"
#include "network/BufferPool.h"
#include "network/MediaInterfaces.h"
#include "network/RelayPackets.h"
#include "network/SessionChannel.h"
#include "network/StreamAudio.h"
#include "network/StreamRecorder.h"
#include "network/TcpSession.h"

class StreamChannel : public TcpSession, public SessionStream {
public:
    static constexpr int kMaxSide = 8192;
    static constexpr uint32_t kPacingJumpMs = 3000;
    static constexpr uint32_t kPacingSliceMs = 20;  // longest pacing sleep before a stop is seen
    static constexpr int kProducerWaitMs = 501;
    static constexpr int kConsumerWaitMs = 101;
    // First capacity of each pool buffer: w×h×2, but never more than the largest
    // frame a packet can carry (a described size alone must not reserve gigabytes).
    static uint32_t PoolBufferCapacity(int width, int height);

    // `session` is borrowed and must outlive the stream.
    // The media components are injectable for tests; the defaults are the
    // real ones.
    explicit StreamChannel(SessionChannel* session,
                           FrameDecoderFactory decoders = DefaultDecoderFactory(),
                           kelvo::IAudioEngine* engine = nullptr,
                           StreamRecorder::WriterFactory writers = nullptr);
    ~StreamChannel() override;

    void Open(uint32_t deviceNumber, const std::string& relayHost, uint16_t relayPort,
              const std::string& user, const std::string& password, const std::string& cameraKey);
    bool StartStream();
    void Stop() override;
    bool IsPlay() const { return m_playing.load(); }

    void SetCallBack(StreamCallback callback, void* user);
    void SetDataType(int type);
    void SetDataCallBack(StreamDataCallback callback, void* user);

    // --- snapshots and recording
    bool Snappic(const std::string& directory);
    bool SnappicEx(const std::string& path);
    bool StartRecord(const std::string& directory);
    void StopRecord();
    bool IsRecord();

    void Ptz(int command, int parameter);
    void EnableAlarm(bool enable);
    bool IsEnableAlarm();
    void ClearAlarm();
    void SetAlarmTime(int seconds);
    int GetAlarmTime();
    size_t AlarmCount();
    // Copies the alarm regions out (see KelvoStream_GetAlarms).
    int GetAlarms(KelvoAlarmInfo* items, int* count);
    void GetStats(KelvoStreamStats* out) const;

    // --- talk, through the session
    void StartTalk();
    void StopTalk();
    bool IsTalk();
    bool HasAudio() const;
    bool IsAudioEnable() const { return m_audioEnable.load(); }
    void SetAudioEnable(bool enable);

    // SessionStream
    std::string CameraKey() const override { return m_cameraKey; }
    void EndTalk() override { StopTalk(); }
    void OnTalkOpenReply(uint32_t sender, uint32_t receiver, const uint8_t* payload,
                         uint32_t length) override;
    void OnTalkData(uint32_t sender, uint32_t receiver, const uint8_t* payload,
                    uint32_t length) override;
    void OnTalkClosed(uint32_t sender, uint32_t receiver, const uint8_t* payload,
                      uint32_t length) override;

    // Test hooks: the back-off step (500 ms) and its cap (5 min).
    void SetBackoff(unsigned stepMs, unsigned capMs) {
        m_backoffStepMs = stepMs;
        m_backoffCapMs = capMs;
    }
    relay::Description Description();
    SessionChannel* Session() const { return m_session; }

protected:
    bool OnConnect(bool connected) override;
    bool OnReceive(const uint8_t* data, size_t size, size_t* consumed) override;
    void OnTimer() override {}
    void OnClose() override;

private:
    struct Pipeline;
    class RenderThread;

    void Report(int state, int value1, int value2);
    void Dispatch(const uint8_t* packet, size_t length);
    void OnLoginReply(const uint8_t* packet, size_t length);
    void OnDownloadReply(const uint8_t* packet, size_t length);
    void OnMedia(const uint8_t* packet, size_t length);
    void OnVideo(const relay::Media& media);
    void OnAudio(const relay::Media& media);
    void BackoffWait();
    void PostRelay(const relay::Bytes& packet) { PostPacket(packet.data(), packet.size()); }
    void SendTalkData(const uint8_t* data, int bytes);
    uint32_t DeviceNumber();
    bool WriteSnapshot(const std::string& path);

    // Video pipeline (StreamRender.cpp).
    void SetupPipeline(const relay::Description& d);
    void TeardownPipeline();
    void RenderLoop(RenderThread* thread, std::shared_ptr<Pipeline> pipeline);
    void Pace(RenderThread* thread, Pipeline& p, uint32_t timestamp, uint64_t arrival);

    SessionChannel* m_session;  // borrowed
    FrameDecoderFactory m_decoders;

    // --- set by Open, read-only while running
    uint32_t m_deviceNumber = 0;
    std::string m_user, m_password, m_cameraKey;

    // --- connection thread (atomics are read by exports)
    std::atomic<int> m_retry{0};
    std::atomic<bool> m_playing{false};
    std::atomic<bool> m_refused{false};
    std::atomic<bool> m_everConnected{false};
    std::atomic<bool> m_stopping{false};
    uint32_t m_sessionValue = 0;
    std::atomic<int> m_audioCodec{0};
    std::atomic<int> m_lastAudioCodec{-1};
    std::atomic<bool> m_audioEnable{false};
    std::atomic<bool> m_talk{false};
    unsigned m_backoffStepMs = 500;
    unsigned m_backoffCapMs = 300000;

    // --- guarded by m_mediaLock
    platform::CriticalSection m_mediaLock;
    StreamCallback m_stateCallback = nullptr;
    void* m_stateUser = nullptr;
    StreamDataCallback m_dataCallback = nullptr;
    void* m_dataUser = nullptr;
    int m_dataType = 1;
    relay::Description m_description;
    std::shared_ptr<Pipeline> m_pipeline;
    std::unique_ptr<RenderThread> m_render;

    // --- sound: opened and closed on the connection thread or by the owner
    std::unique_ptr<StreamAudio> m_audio;

    // --- figures for the viewer's overlay: written by the connection and
    // render threads, read by any
    std::atomic<uint64_t> m_framesReceived{0}, m_bytesReceived{0};
    std::atomic<uint64_t> m_framesDecoded{0}, m_framesDropped{0};
    std::atomic<int> m_latencyMs{0};
    std::atomic<int> m_statWidth{0}, m_statHeight{0};
    std::atomic<const char*> m_codec{""};

    // --- guarded by m_recordLock
    platform::CriticalSection m_recordLock;
    StreamRecorder m_recorder;
    AlarmMap m_alarms;
    bool m_alarmEnable = true;
    int m_alarmTime = 10;
};
