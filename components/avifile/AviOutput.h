#pragma once
#include <cstdint>
#include <memory>

struct AVIOContext;

namespace kelvo {

// A libavformat I/O context over a file descriptor we opened ourselves (so
// the file can be created exclusively). Write errors keep their errno.
// Thread: one thread at a time.
class AviOutput {
public:
    // Takes ownership of `fd`. Null when memory is short (fd closed then).
    static std::unique_ptr<AviOutput> Create(int fd);
    ~AviOutput();
    AviOutput(const AviOutput&) = delete;
    AviOutput& operator=(const AviOutput&) = delete;

    AVIOContext* Context() const { return m_io; }
    int LastErrno() const { return m_errno; }
    // Flushes and closes; false when anything failed on the way.
    bool Close();

private:
    explicit AviOutput(int fd) : m_fd(fd) {}
    static int WritePacket(void* opaque, uint8_t* buf, int size);  // libavformat 5 signature
    static int64_t Seek(void* opaque, int64_t offset, int whence);

    int m_fd;
    int m_errno = 0;
    AVIOContext* m_io = nullptr;  // owned, with its buffer
};

}  // namespace kelvo
