#include "sim/RecordingCatalog.h"

#include <cstdlib>
#include <cstring>

namespace sim {

std::string RecordingCatalog::File::Name() const {
    return std::to_string(begin) + "_" + std::to_string(end) + kExtension;
}

std::vector<RecordingCatalog::File> RecordingCatalog::Query(const Camera& cam, int64_t begin, int64_t end,
                                                            int64_t now) {
    std::vector<File> out;
    if (!cam.hasRecordings || end < begin) return out;
    const Recordings& r = cam.recordings;
    const int64_t step = r.everyMinutes * 60LL;
    const int64_t length = r.segmentMinutes * 60LL;
    const int64_t oldest = now - r.days * 86400LL;
    int64_t first = std::max(oldest, begin - length);
    first -= ((first % step) + step) % step;
    for (int64_t t = first; t <= end && t + length <= now; t += step) {
        if (t < oldest || t + length < begin) continue;
        out.push_back({t, t + length});
    }
    return out;
}

bool RecordingCatalog::ParseName(const std::string& name, File* out) {
    size_t us = name.find('_');
    size_t ext = name.size() >= 4 ? name.size() - 4 : std::string::npos;
    if (us == std::string::npos || ext == std::string::npos || us >= ext || name.compare(ext, 4, kExtension) != 0)
        return false;
    std::string b = name.substr(0, us), e = name.substr(us + 1, ext - us - 1);
    if (b.empty() || e.empty() || b.find_first_not_of("0123456789") != std::string::npos ||
        e.find_first_not_of("0123456789") != std::string::npos || b.size() > 12 || e.size() > 12)
        return false;
    out->begin = std::strtoll(b.c_str(), nullptr, 10);
    out->end = std::strtoll(e.c_str(), nullptr, 10);
    return out->end >= out->begin;
}

}  // namespace sim
