// The relay protocol of a stream: builders for what the client sends and
// bounded parsers for what the relay answers. Pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace relay {

using Bytes = std::vector<uint8_t>;

Bytes Login(const char* user, const char* password);
Bytes DownloadRequest(const char* cameraKey);
Bytes AudioControl(bool on);

struct LoginReply {
    uint16_t result = 0;
    uint32_t session = 0;
};
bool ParseLoginReply(const uint8_t* packet, size_t length, LoginReply* out);

constexpr size_t kBlockMax = 128;

struct Description {
    uint16_t result = 0;
    uint16_t values[5] = {};  // [1] width, [2] height, [3] frame rate
    uint16_t audioCodec = 0;
    std::vector<uint8_t> blockA;  // at most 128 bytes kept
    std::vector<uint8_t> blockB;
    int Width() const { return values[1]; }
    int Height() const { return values[2]; }
    int FrameRate() const { return values[3]; }
};
// Reads the fixed part and as much of the two blocks as the packet holds.
bool ParseDescription(const uint8_t* packet, size_t length, Description* out);

constexpr size_t kMediaHead = 14;
enum MediaKind : uint8_t { kAudio = 0, kVideo = 1, kAlarm = 2 };

struct Media {
    uint32_t timestamp = 0;
    uint8_t kind = 0;
    uint8_t subtype = 0;  // video: frame type (1 = key); audio: codec number
    const uint8_t* payload = nullptr;
    size_t payloadLength = 0;
};
bool ParseMedia(const uint8_t* packet, size_t length, Media* out);

struct AlarmRecord {
    uint16_t type = 0, region = 0, x = 0, y = 0, width = 0, height = 0;
};
// The message of an alarm record is exactly 30 bytes.
bool ParseAlarm(const uint8_t* packet, size_t length, AlarmRecord* out);

}  // namespace relay
