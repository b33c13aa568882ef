// Tamvox: ITU-T G.726 ADPCM coding of 16-bit linear PCM at 16, 24, 32 and
// 40 kbit/s, code words bit-packed most significant bit first.
//
// One codec object per direction and per stream. An object carries the ADPCM
// state and any partial byte from call to call, so consecutive calls on one
// object form one continuous stream.
//
// Thread: any; calls on one object must not overlap (the caller serialises
// them). Different objects are independent.
#pragma once

#if defined(TAMVOX_BUILDING)
#define TAMVOX_API __attribute__((visibility("default")))
#else
#define TAMVOX_API
#endif

#ifdef __cplusplus
#define TAMVOX_NOEXCEPT noexcept
extern "C" {
#else
#define TAMVOX_NOEXCEPT
#endif

// Rate types accepted by Tamvox_Create and Tamvox_Open.
enum {
    TAMVOX_RATE_16K = 0,
    TAMVOX_RATE_24K = 1,
    TAMVOX_RATE_32K = 2,
    TAMVOX_RATE_40K = 3
};

// Makes a codec object for `type` (TAMVOX_RATE_*). Returns null for any other
// type or when memory is short. The caller owns the object until
// Tamvox_Destroy. (Ordinal 6.)
// Thread: any.
TAMVOX_API void* Tamvox_Create(int type) TAMVOX_NOEXCEPT;

// Same as Tamvox_Create. (Ordinal 5.)
// Thread: any.
TAMVOX_API void* Tamvox_Open(int type) TAMVOX_NOEXCEPT;

// Encodes bytes / 2 little-endian 16-bit samples from `pcm` into `out`; an odd
// last byte is ignored. Writes at most (samples * width + pending bits) / 8
// bytes, where width is 2..5 bits for the four rates; bits that do not fill a
// byte stay in the object and open the next call's first byte.
// Returns the bytes written, also stored in *outLen when outLen is not null.
// Returns 0 and writes nothing for a null object, a null buffer or a byte
// count <= 0. (Ordinal 2.)
// Thread: any; not concurrently with another call on the same object.
TAMVOX_API int Tamvox_Encode(void* codec, const unsigned char* pcm, int bytes,
                             unsigned char* out, int* outLen) TAMVOX_NOEXCEPT;

// Decodes the code words in `bytes` bytes of `code` into little-endian 16-bit
// samples in `out`: the 14-bit decoder output, limited to -8192..8191,
// shifted left by 2. Writes at most 2 * (bytes * 8 + pending bits) / width
// bytes; bits left over stay in the object for the next call.
// Returns the PCM bytes written (2 per sample), also stored in *outLen when
// outLen is not null. Returns 0 and writes nothing for a null object, a null
// buffer or a byte count <= 0. (Ordinal 4.)
// Thread: any; not concurrently with another call on the same object.
TAMVOX_API int Tamvox_Decode(void* codec, const unsigned char* code, int bytes,
                             unsigned char* out, int* outLen) TAMVOX_NOEXCEPT;

// Frees a codec object; a null object is ignored. (Ordinal 1.)
// Thread: any; no other call on the object may be running or follow.
TAMVOX_API void Tamvox_Destroy(void* codec) TAMVOX_NOEXCEPT;

// Same as Tamvox_Destroy. (Ordinal 3.)
// Thread: any; as Tamvox_Destroy.
TAMVOX_API void Tamvox_Close(void* codec) TAMVOX_NOEXCEPT;

#ifdef __cplusplus
}
#endif
