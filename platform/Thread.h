// Per-thread settings the connection and render threads use.
// Thread: each function acts on the calling thread.
#pragma once

#include <cstdint>

namespace platform {

uint32_t CurrentThreadId();
// Raises (positive) or lowers the calling thread's nice value; render
// threads run nicer than the UI thread so it never starves behind decoding.
bool SetCurrentThreadNice(int nice);

}  // namespace platform
