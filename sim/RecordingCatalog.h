// The recordings a camera has: one file every `everyMinutes`, each
// `segmentMinutes` long, over the last `days` days, named
// "<begin>_<end>.mp4" (seconds since 1970).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/Scenario.h"

namespace sim {

class RecordingCatalog {
public:
    static constexpr const char* kExtension = ".mp4";

    struct File {
        int64_t begin, end;
        std::string Name() const;
    };
    // Files overlapping [begin, end], in time order, that ended before `now`.
    static std::vector<File> Query(const Camera& cam, int64_t begin, int64_t end, int64_t now);
    // Parses "<begin>_<end>.mp4"; false when the name is not of that form.
    static bool ParseName(const std::string& name, File* out);
};

}  // namespace sim
