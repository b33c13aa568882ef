#include "platform/DebugOutput.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace platform {

namespace {

constexpr size_t kMessageBuffer = 1024;

std::mutex g_sinkMutex;
std::shared_ptr<const OutputSink> g_sink;

std::shared_ptr<const OutputSink> CurrentSink() {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    return g_sink;
}

bool DebugToStderr() {
    static const bool enabled = std::getenv("KELVO_DEBUG") != nullptr;
    return enabled;
}

void Emit(OutputChannel channel, const std::string& line) {
    if (auto sink = CurrentSink()) {
        (*sink)(channel, line);
        return;
    }
    if (channel == OutputChannel::Console) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    } else if (DebugToStderr()) {
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
}

}  // namespace

void SetOutputSink(OutputSink sink) {
    std::shared_ptr<const OutputSink> next;
    if (sink) next = std::make_shared<const OutputSink>(std::move(sink));
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    g_sink = std::move(next);
}

void DebugOutput(const char* line) { Emit(OutputChannel::Debug, line ? line : ""); }

void DebugTrace(const char* format, ...) {
    char message[kMessageBuffer];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    std::string line = "debug: ";
    line += message;
    line += "\r\n";
    Emit(OutputChannel::Debug, line);
}

void ConsoleTrace(const char* format, ...) {
    char message[kMessageBuffer];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    Emit(OutputChannel::Console, message);
}

}  // namespace platform
