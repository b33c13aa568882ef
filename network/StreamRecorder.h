// Local recording of one stream's encoded video into AVI files, without
// re-encoding. Pure state: the stream guards it with its record lock.
#pragma once

#include <memory>
#include <string>

#include "IAviWriter.h"

class StreamRecorder {
public:
    using WriterFactory = std::unique_ptr<kelvo::IAviWriter> (*)();

    explicit StreamRecorder(WriterFactory factory);

    // Begins a file named after the local time in `directory` (a prefix the
    // name is appended to). A running recording is left alone (false).
    bool Start(const std::string& directory, int width, int height, int frameRate);
    // Frames before the first key frame are skipped. A write error (a full
    // disk) ends the recording.
    void Write(const uint8_t* frame, int bytes, bool key);
    void Stop();
    bool IsRecording() const { return m_recording && m_writer; }
    const std::string& Directory() const { return m_directory; }
    const std::string& Path() const { return m_path; }

private:
    WriterFactory m_factory;
    std::unique_ptr<kelvo::IAviWriter> m_writer;
    bool m_recording = false;
    bool m_started = false;
    int64_t m_position = 1;
    std::string m_directory;
    std::string m_path;
};
