#include "network/StreamRecorder.h"

#include <sys/stat.h>

#include <ctime>

#include "ExclusiveFile.h"
#include "platform/DebugOutput.h"

namespace {

std::string TimeName(const char* format) {
    time_t now = time(nullptr);
    struct tm local;
    char name[64] = {};
    if (localtime_r(&now, &local)) strftime(name, sizeof name, format, &local);
    return name;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

StreamRecorder::StreamRecorder(WriterFactory factory) : m_factory(factory) {}

bool StreamRecorder::Start(const std::string& directory, int width, int height, int frameRate) {
    if (m_recording) return false;
    m_position = 1;
    m_started = false;
    m_directory = directory;
    std::unique_ptr<kelvo::IAviWriter> writer = m_factory ? m_factory() : nullptr;
    if (!writer) return false;

    // Two recordings in one second must not replace each other.
    const std::string base = directory + TimeName("%Y%m%d%H%M%S.avi");
    std::string path = base;
    kelvo::AviResult r = writer->Open(path);
    for (int n = 1; r == kelvo::AviResult::OPEN_FAILED && Exists(path) && n < 1000; ++n) {
        path = kelvo::ExclusiveFile::NumberedName(base, n);
        r = writer->Open(path);
    }
    if (r != kelvo::AviResult::OK) {
        platform::DebugTrace("record open failed: %s", kelvo::AviResultText(r));
        return false;
    }
    kelvo::AviStreamInfo info;
    info.rate = static_cast<uint32_t>(frameRate > 0 ? frameRate : 0);
    info.right = width;
    info.bottom = height;
    if (writer->CreateStream(info) != kelvo::AviResult::OK) {
        writer->ReleaseFile();
        return false;
    }
    kelvo::AviBitmapInfo format;
    format.width = width;
    format.height = height;
    format.sizeImage = static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
    if (writer->SetFormat(format) != kelvo::AviResult::OK) {
        writer->ReleaseStream();
        writer->ReleaseFile();
        return false;
    }
    m_writer = std::move(writer);
    m_path = path;
    m_recording = true;
    return true;
}

void StreamRecorder::Write(const uint8_t* frame, int bytes, bool key) {
    if (!m_recording || !m_writer) return;
    if (!m_started) {
        if (!key) return;
        m_started = true;
    }
    kelvo::AviResult r = m_writer->Write(m_position, frame, bytes, key);
    if (r == kelvo::AviResult::OK) {
        ++m_position;
    } else if (r == kelvo::AviResult::WRITE_FAILED) {
        platform::DebugTrace("record write failed; recording stopped");
        Stop();
    }
}

void StreamRecorder::Stop() {
    m_recording = false;
    if (m_writer) {
        m_writer->ReleaseStream();
        m_writer->ReleaseFile();
        m_writer.reset();
    }
    m_position = 1;
}
