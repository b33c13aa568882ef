// The exported interface from the outside: object lifetime, byte counts and
// pending bits per rate, and what the functions do with bad arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "Tamvox.h"
#include "TestSignals.h"
#include "common/WireFormat.h"

namespace tamvox_test {
namespace {

struct CodecDeleter {
    void operator()(void* c) const { Tamvox_Close(c); }
};
using Codec = std::unique_ptr<void, CodecDeleter>;

constexpr int kBits[] = {2, 3, 4, 5};

std::vector<uint8_t> EncodeAll(void* codec, const std::vector<uint8_t>& pcm) {
    std::vector<uint8_t> out(pcm.size());
    int outLen = -1;
    const int n = Tamvox_Encode(codec, pcm.data(), static_cast<int>(pcm.size()), out.data(), &outLen);
    EXPECT_EQ(n, outLen);
    out.resize(static_cast<size_t>(n));
    return out;
}

std::vector<int16_t> DecodeAll(void* codec, const std::vector<uint8_t>& code) {
    std::vector<uint8_t> out(code.size() * 8 + 16);
    int outLen = -1;
    const int n = Tamvox_Decode(codec, code.data(), static_cast<int>(code.size()), out.data(), &outLen);
    EXPECT_EQ(n, outLen);
    std::vector<int16_t> samples;
    for (int i = 0; i < n; i += 2) samples.push_back(static_cast<int16_t>(wire::GetU16(&out[i])));
    return samples;
}

TEST(TamvoxApi, CreatesTheFourRatesUnderBothNamesAndNothingElse) {
    for (int type = 0; type < 4; ++type) {
        void* a = Tamvox_Create(type);
        void* b = Tamvox_Open(type);
        EXPECT_NE(a, nullptr);
        EXPECT_NE(b, nullptr);
        Tamvox_Destroy(a);
        Tamvox_Close(b);
    }
    for (int type : {-1, 4, 5, 40000, 32000}) {
        EXPECT_EQ(Tamvox_Create(type), nullptr) << type;
        EXPECT_EQ(Tamvox_Open(type), nullptr) << type;
    }
    Tamvox_Destroy(nullptr);
    Tamvox_Close(nullptr);
}

TEST(TamvoxApi, NullObjectAndBadArgumentsWriteNothing) {
    const std::vector<uint8_t> pcm = ToBytes(Tone(500, 8000, 160));
    std::vector<uint8_t> out(400, 0xEE);
    int outLen = 123;
    EXPECT_EQ(Tamvox_Encode(nullptr, pcm.data(), 320, out.data(), &outLen), 0);
    EXPECT_EQ(outLen, 0);
    outLen = 123;
    EXPECT_EQ(Tamvox_Decode(nullptr, pcm.data(), 80, out.data(), &outLen), 0);
    EXPECT_EQ(outLen, 0);
    EXPECT_EQ(Tamvox_Encode(nullptr, pcm.data(), 320, out.data(), nullptr), 0);

    Codec codec(Tamvox_Create(2));
    EXPECT_EQ(Tamvox_Encode(codec.get(), nullptr, 320, out.data(), &outLen), 0);
    EXPECT_EQ(Tamvox_Encode(codec.get(), pcm.data(), 320, nullptr, &outLen), 0);
    EXPECT_EQ(Tamvox_Encode(codec.get(), pcm.data(), -2, out.data(), &outLen), 0);
    EXPECT_EQ(Tamvox_Decode(codec.get(), nullptr, 80, out.data(), &outLen), 0);
    EXPECT_EQ(Tamvox_Decode(codec.get(), pcm.data(), -1, out.data(), &outLen), 0);
    EXPECT_EQ(outLen, 0);
    for (uint8_t b : out) ASSERT_EQ(b, 0xEE);

    // The refused calls left the state alone: the stream starts afresh.
    Codec fresh(Tamvox_Create(2));
    EXPECT_EQ(EncodeAll(codec.get(), pcm), EncodeAll(fresh.get(), pcm));
}

TEST(TamvoxApi, NullOutLenIsNotWanted) {
    const std::vector<uint8_t> pcm = ToBytes(Tone(500, 8000, 160));
    std::vector<uint8_t> code(80);
    std::vector<uint8_t> back(320);
    Codec enc(Tamvox_Create(2));
    Codec dec(Tamvox_Create(2));
    EXPECT_EQ(Tamvox_Encode(enc.get(), pcm.data(), 320, code.data(), nullptr), 80);
    EXPECT_EQ(Tamvox_Decode(dec.get(), code.data(), 80, back.data(), nullptr), 320);
}

TEST(TamvoxApi, WholeFramesGiveWholeBytesAtEveryRate) {
    const std::vector<uint8_t> pcm = ToBytes(Noise(10000, 160, 5));
    for (int type = 0; type < 4; ++type) {
        Codec enc(Tamvox_Create(type));
        Codec dec(Tamvox_Create(type));
        const auto code = EncodeAll(enc.get(), pcm);
        EXPECT_EQ(static_cast<int>(code.size()), 160 * kBits[type] / 8) << type;
        EXPECT_EQ(DecodeAll(dec.get(), code).size(), 160u) << type;
    }
}

TEST(TamvoxApi, PartialBitsCarryAcrossEncodeCalls) {
    const auto samples = Tone(700, 12000, 8);
    const std::vector<uint8_t> pcm = ToBytes(samples);
    Codec oneShot(Tamvox_Create(1));
    const auto expected = EncodeAll(oneShot.get(), pcm);
    ASSERT_EQ(expected.size(), 3u);

    // 24 kbit/s: three samples make one byte and leave one bit pending,
    // which opens the next call's first byte.
    Codec split(Tamvox_Create(1));
    std::vector<uint8_t> out(4);
    EXPECT_EQ(Tamvox_Encode(split.get(), pcm.data(), 6, out.data(), nullptr), 1);
    EXPECT_EQ(Tamvox_Encode(split.get(), pcm.data() + 6, 10, out.data() + 1, nullptr), 2);
    out.resize(3);
    EXPECT_EQ(out, expected);

    // 16 kbit/s: single samples give a byte on every fourth call.
    const std::vector<uint8_t> four = ToBytes(Tone(700, 12000, 4));
    Codec whole(Tamvox_Create(0));
    const auto wholeByte = EncodeAll(whole.get(), four);
    Codec single(Tamvox_Create(0));
    std::vector<int> counts;
    uint8_t byte = 0;
    for (int i = 0; i < 4; ++i) counts.push_back(Tamvox_Encode(single.get(), &four[2 * i], 2, &byte, nullptr));
    EXPECT_EQ(counts, (std::vector<int>{0, 0, 0, 1}));
    EXPECT_EQ(std::vector<uint8_t>{byte}, wholeByte);
}

TEST(TamvoxApi, PartialBitsCarryAcrossDecodeCalls) {
    std::mt19937 rng(11);
    std::vector<uint8_t> code(15);
    for (auto& b : code) b = static_cast<uint8_t>(rng());
    for (int type = 0; type < 4; ++type) {
        Codec whole(Tamvox_Create(type));
        const auto expected = DecodeAll(whole.get(), code);
        ASSERT_EQ(expected.size(), code.size() * 8 / kBits[type]);

        Codec bytewise(Tamvox_Create(type));
        std::vector<int16_t> got;
        int bits = 0;  // bits held between calls
        for (uint8_t b : code) {
            const auto part = DecodeAll(bytewise.get(), {b});
            bits += 8;
            EXPECT_EQ(static_cast<int>(part.size()), bits / kBits[type]);
            bits %= kBits[type];
            got.insert(got.end(), part.begin(), part.end());
        }
        EXPECT_EQ(got, expected) << type;
    }
}

TEST(TamvoxApi, OddByteCountIgnoresTheLastByte) {
    std::vector<uint8_t> pcm = ToBytes(Noise(20000, 161, 6));
    Codec even(Tamvox_Create(3));
    Codec odd(Tamvox_Create(3));
    std::vector<uint8_t> a(128), b(128);
    const int na = Tamvox_Encode(even.get(), pcm.data(), 320, a.data(), nullptr);
    const int nb = Tamvox_Encode(odd.get(), pcm.data(), 321, b.data(), nullptr);
    EXPECT_EQ(na, 100);
    EXPECT_EQ(na, nb);
    EXPECT_EQ(a, b);
}

// Independent of any reference: speech-band tones survive a round trip at
// every rate with a signal-to-noise ratio fitting the rate, and the decoded
// samples are 14-bit values in 16-bit form.
TEST(TamvoxApi, RoundTripKeepsTheSignal) {
    const double minSnrDb[] = {18, 22, 30, 36};  // measured: 23, 27.5, 36, 42 dB
    const auto tone = Tone(1020, 10000, 8000);
    for (int type = 0; type < 4; ++type) {
        Codec enc(Tamvox_Create(type));
        Codec dec(Tamvox_Create(type));
        const auto back = DecodeAll(dec.get(), EncodeAll(enc.get(), ToBytes(tone)));
        ASSERT_EQ(back.size(), tone.size());
        double signal = 0, noise = 0;
        for (size_t i = 800; i < tone.size(); ++i) {  // after the adaptation settles
            signal += double(tone[i]) * tone[i];
            noise += double(tone[i] - back[i]) * (tone[i] - back[i]);
            ASSERT_EQ(back[i] % 4, 0);
            ASSERT_LE(back[i], 32764);
        }
        EXPECT_GT(10 * std::log10(signal / noise), minSnrDb[type]) << type;
    }
}

TEST(TamvoxApi, ExportsOnlyTheSixFunctions) {
    const char* dir = std::getenv("KELVO_BUILD_DIR");
    if (!dir) GTEST_SKIP() << "KELVO_BUILD_DIR is not set (run through ctest)";
    const std::string cmd = std::string("nm -D --defined-only ") + dir + "/lib/libTamvox.so";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::set<std::string> exported;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get())) {
        char kind = 0;
        char name[400] = {};
        if (std::sscanf(line, "%*s %c %399s", &kind, name) == 2 && kind != 'A' && kind != 'w' && kind != 'v')
            exported.insert(name);
    }
    EXPECT_EQ(exported, (std::set<std::string>{"Tamvox_Close", "Tamvox_Create", "Tamvox_Decode",
                                                "Tamvox_Destroy", "Tamvox_Encode", "Tamvox_Open"}));
}

}  // namespace
}  // namespace tamvox_test
