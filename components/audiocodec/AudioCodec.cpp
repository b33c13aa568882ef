#include "AudioCodec.h"

#include "AacDecoder.h"
#include "AacEncoder.h"
#include "AudioCodecTable.h"
#include "TelephonyDecoder.h"
#include "TelephonyEncoder.h"

namespace kelvo {

bool AudioCodec::Describe(int index, int* p, int* q, int* r) {
    const AudioCodecInfo* info = AudioCodecTable::Find(index);
    if (p) *p = info ? info->frameSamples : 0;
    if (q) *q = info ? info->framesPerPacket : 0;
    if (r) *r = info ? info->sampleRate : 0;
    return info != nullptr;
}

std::unique_ptr<IAudioEncoder> AudioCodec::CreateEncoder(int index) {
    const AudioCodecInfo* info = AudioCodecTable::Find(index);
    if (!info) return nullptr;
    if (info->format == AudioFormat::AAC_ADTS) return AacEncoder::Create(*info);
    return TelephonyEncoder::Create(*info);
}

std::unique_ptr<IAudioDecoder> AudioCodec::CreateDecoder(int index) {
    const AudioCodecInfo* info = AudioCodecTable::Find(index);
    if (!info) return nullptr;
    if (info->format == AudioFormat::AAC_ADTS) return AacDecoder::Create(*info);
    return TelephonyDecoder::Create(*info);
}

}  // namespace kelvo
