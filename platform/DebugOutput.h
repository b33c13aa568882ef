// The library's diagnostic writer. Each call formats into its own buffer
// (at most 1023 characters) and emits one whole line, so lines from several
// threads never interleave or overwrite each other.
//
// Debug lines read "debug: <message>\r\n" and go to stderr when the
// environment variable KELVO_DEBUG is set, else nowhere. Console lines (the
// few socket traces) go to stdout. A test may install a sink that receives
// every line of both channels instead.
// Thread: any.
#pragma once

#include <functional>
#include <string>

namespace platform {

enum class OutputChannel { Debug, Console };

using OutputSink = std::function<void(OutputChannel, const std::string& line)>;

// Replaces the destination of every line; an empty sink restores the default.
void SetOutputSink(OutputSink sink);

// Writes one finished line to the debugger output.
void DebugOutput(const char* line);

// printf-style diagnostic: "debug: " + message + "\r\n".
void DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// printf-style text to standard output, unchanged.
void ConsoleTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform
