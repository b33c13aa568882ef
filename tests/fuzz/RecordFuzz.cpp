// A record server's query reply: file names, times and URLs.
#include <cstddef>
#include <cstdint>

#include "network/CloudRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint16_t status = 0;
    std::vector<RecordFile> files;
    if (CloudRecord::ParseQueryReply(data, size, "127.0.0.1", &status, &files)) {
        for (const RecordFile& f : files)
            if (f.url.size() > 263) __builtin_trap();
    }
    return 0;
}
