#include "AudioCodecTable.h"

namespace kelvo {
namespace {

// 40 ms frames for the telephony codecs; packets of up to 320 ms.
constexpr AudioCodecInfo kTable[AudioCodecTable::kCount] = {
    {AudioFormat::G711_ULAW, "G.711 mu-law", 64000, 8000, 320, 8},        // 16
    {AudioFormat::G711_ALAW, "G.711 A-law", 64000, 8000, 320, 8},         // 17
    {AudioFormat::G726_MSB_FIRST, "G.726-16", 16000, 8000, 320, 8},       // 18
    {AudioFormat::G726_MSB_FIRST, "G.726-24", 24000, 8000, 320, 8},       // 19
    {AudioFormat::G726_MSB_FIRST, "G.726-32", 32000, 8000, 320, 8},       // 20
    {AudioFormat::G726_MSB_FIRST, "G.726-40", 40000, 8000, 320, 8},       // 21
    {AudioFormat::G726_LSB_FIRST, "G.726-32 RFC 3551", 32000, 8000, 320, 8},  // 22
    {AudioFormat::AAC_ADTS, "AAC-LC ADTS", 16000, 8000, 1024, 2},         // 23
    {AudioFormat::NONE, "", 0, 0, 0, 0},                                  // 24
    {AudioFormat::NONE, "", 0, 0, 0, 0},                                  // 25
};

}  // namespace

const AudioCodecInfo* AudioCodecTable::Find(int index) {
    if (index < 0 || index >= kCount) return nullptr;
    return kTable[index].format == AudioFormat::NONE ? nullptr : &kTable[index];
}

}  // namespace kelvo
