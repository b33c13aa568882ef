#include "AviOutput.h"

#include <cerrno>
#include <cstdint>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/mem.h>
}

namespace kelvo {

namespace {
constexpr int kBufferBytes = 64 * 1024;
}

std::unique_ptr<AviOutput> AviOutput::Create(int fd) {
    std::unique_ptr<AviOutput> out(new AviOutput(fd));
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    if (!buffer) return nullptr;
    out->m_io = avio_alloc_context(buffer, kBufferBytes, 1, out.get(), nullptr,
                                   &AviOutput::WritePacket, &AviOutput::Seek);
    if (!out->m_io) {
        av_free(buffer);
        return nullptr;
    }
    return out;
}

AviOutput::~AviOutput() { Close(); }

bool AviOutput::Close() {
    bool ok = true;
    if (m_io) {
        avio_flush(m_io);
        ok = m_io->error == 0;
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
    if (m_fd >= 0) {
        if (::close(m_fd) != 0) ok = false;
        m_fd = -1;
    }
    return ok && m_errno == 0;
}

int AviOutput::WritePacket(void* opaque, uint8_t* buf, int size) {
    auto* self = static_cast<AviOutput*>(opaque);
    int done = 0;
    while (done < size) {
        const ssize_t n = ::write(self->m_fd, buf + done, size_t(size - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            self->m_errno = errno;
            return AVERROR(errno);
        }
        if (n == 0) {
            self->m_errno = ENOSPC;
            return AVERROR(ENOSPC);
        }
        done += int(n);
    }
    return size;
}

int64_t AviOutput::Seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<AviOutput*>(opaque);
    if (whence == AVSEEK_SIZE) {
        struct stat st;
        return ::fstat(self->m_fd, &st) == 0 ? int64_t(st.st_size) : AVERROR(errno);
    }
    const off_t r = ::lseek(self->m_fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return r < 0 ? AVERROR(errno) : int64_t(r);
}

}  // namespace kelvo
