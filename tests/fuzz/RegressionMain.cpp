// Replays the inputs the fuzzers once failed on through the same entry point,
// in the ordinary sanitized test build.
#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Every byte asked of operator new, so an input that makes the code reserve
// far more than it needs shows up even where the pages are never touched.
namespace {
std::atomic<size_t> g_requested{0};
void* Allocate(size_t n) noexcept {
    g_requested += n;
    return std::malloc(n ? n : 1);
}
}  // namespace
void* operator new(size_t n) {
    if (void* p = Allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

TEST(FuzzRegressions, EveryKeptInputRunsQuicklyAndWithinMemory) {
    const char* src = std::getenv("KELVO_SOURCE_DIR");
    ASSERT_NE(src, nullptr);
    const std::string dir = std::string(src) + "/tests/fuzz/regressions/" KELVO_FUZZ_TARGET "/";
    std::vector<std::string> files;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') files.push_back(dir + e->d_name);
        closedir(d);
    }
    ASSERT_FALSE(files.empty()) << dir;
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const size_t before = g_requested;
        const auto t0 = std::chrono::steady_clock::now();
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        const auto s = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - t0);
        EXPECT_LT(s.count(), 5) << f;  // a self-including skin once built 10^8 controls
        // A described 3855×3855 picture once reserved 300 MB of pool for one stream.
        EXPECT_LT(g_requested - before, size_t{128} << 20) << f;
    }
}

}  // namespace
