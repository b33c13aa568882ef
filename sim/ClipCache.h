// The synthetic recording every recorded file URL serves: a short H.264
// MP4 written once with libavformat into a cache folder and reused by
// later runs. Thread: Prepare() once; Bytes() read-only afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class ClipCache {
public:
    // `dir` "" picks $XDG_CACHE_HOME/KelvoSim (or ~/.cache/KelvoSim, or /tmp).
    ClipCache(std::string dir, int seconds);
    // Writes the clip unless the cache has it; loads it. Throws std::runtime_error.
    void Prepare();
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    const std::string& Path() const { return m_path; }

    static constexpr int kWidth = 352, kHeight = 288, kFps = 10;

private:
    void Write(const std::string& path) const;
    std::string m_dir;
    int m_seconds;
    std::string m_path;
    std::vector<uint8_t> m_bytes;
};

}  // namespace sim
