// What the soak watches: session events and stream states counted per code,
// pictures per stream, the process's threads, descriptors and resident memory,
// and whether a recorded AVI decodes to its end.
// Thread: the counters are written from the library's threads and read from the test's.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace soak {

class EventCounter {
public:
    static void OnEvent(int code, int v1, int v2, void* user);
    int Count(int code) const;
    // How many times `code` arrived with first value `v1`.
    int Count(int code, int v1) const;
    // The codes in arrival order since `from` (an index into the history).
    std::vector<int> Since(size_t from) const;
    size_t Mark() const;

private:
    mutable std::mutex m_mutex;
    std::map<std::pair<int, int>, int> m_counts;
    std::vector<int> m_history;
};

struct StreamProbe {
    std::atomic<long> pictures{0};
    EventCounter states;
    static void OnData(int type, unsigned char* data, int length, int, int, int, void* user);
};

struct ResourceSample {
    int threads = 0;
    int fds = 0;
    long rssKb = 0;
};
ResourceSample SampleProcess();

struct AviCheck {
    bool opened = false;
    int packets = 0;
    int decoded = 0;
    int decodeErrors = 0;
    std::string error;
};
// Reads every packet of the file and decodes it to the end, draining the decoder.
AviCheck DecodeAvi(const std::string& path);

}  // namespace soak
