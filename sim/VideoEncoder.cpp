#include "sim/VideoEncoder.h"

#include <x264.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace sim {

int VideoEncoder::DefaultKbps(int width, int height) {
    int px = width * height;
    if (px <= 352 * 288) return 384;
    if (px <= 704 * 576) return 1024;
    if (px <= 1280 * 720) return 2000;
    return 3000;
}

VideoEncoder::VideoEncoder(int width, int height, int fps, int kbps) : m_width(width), m_height(height) {
    if (kbps <= 0) kbps = DefaultKbps(width, height);
    x264_param_t p;
    if (x264_param_default_preset(&p, "ultrafast", "zerolatency") < 0)
        throw std::runtime_error("x264: no ultrafast preset");
    p.i_width = width;
    p.i_height = height;
    p.i_csp = X264_CSP_I420;
    p.i_fps_num = static_cast<uint32_t>(fps);
    p.i_fps_den = 1;
    p.i_keyint_max = 2 * fps;
    p.i_keyint_min = 2 * fps;
    p.i_scenecut_threshold = 0;
    p.b_repeat_headers = 1;
    p.b_annexb = 1;
    p.i_threads = 1;
    p.b_sliced_threads = 0;
    p.i_log_level = X264_LOG_ERROR;
    p.rc.i_rc_method = X264_RC_ABR;
    p.rc.i_bitrate = kbps;
    p.rc.i_vbv_max_bitrate = kbps;
    // The buffer bounds the largest frame: at most 1 Mbit = 125 000 bytes.
    p.rc.i_vbv_buffer_size = std::min(kbps, 1000);
    m_maxFrame = static_cast<size_t>(p.rc.i_vbv_buffer_size) * 1000 / 8;
    if (x264_param_apply_profile(&p, "baseline") < 0) throw std::runtime_error("x264: baseline profile refused");
    m_enc = x264_encoder_open(&p);
    if (!m_enc) throw std::runtime_error("x264: cannot open encoder");
}

VideoEncoder::~VideoEncoder() {
    if (m_enc) x264_encoder_close(static_cast<x264_t*>(m_enc));
}

bool VideoEncoder::Encode(const std::vector<uint8_t>& i420, EncodedFrame* out, bool forceKey) {
    x264_picture_t in, pic;
    x264_picture_init(&in);
    in.img.i_csp = X264_CSP_I420;
    in.img.i_plane = 3;
    uint8_t* base = const_cast<uint8_t*>(i420.data());
    in.img.plane[0] = base;
    in.img.plane[1] = base + m_width * m_height;
    in.img.plane[2] = base + m_width * m_height * 5 / 4;
    in.img.i_stride[0] = m_width;
    in.img.i_stride[1] = m_width / 2;
    in.img.i_stride[2] = m_width / 2;
    in.i_pts = m_pts++;
    in.i_type = forceKey ? X264_TYPE_IDR : X264_TYPE_AUTO;
    x264_nal_t* nals = nullptr;
    int count = 0;
    int bytes = x264_encoder_encode(static_cast<x264_t*>(m_enc), &nals, &count, &in, &pic);
    if (bytes <= 0) return false;
    // The payloads of one call lie back to back.
    out->data.assign(nals[0].p_payload, nals[0].p_payload + bytes);
    out->key = pic.b_keyframe != 0;
    return true;
}

std::vector<uint8_t> VideoEncoder::Headers() {
    x264_nal_t* nals = nullptr;
    int count = 0;
    int bytes = x264_encoder_headers(static_cast<x264_t*>(m_enc), &nals, &count);
    std::vector<uint8_t> out;
    for (int i = 0; i < count && bytes > 0; ++i)
        if (nals[i].i_type == NAL_SPS || nals[i].i_type == NAL_PPS)
            out.insert(out.end(), nals[i].p_payload, nals[i].p_payload + nals[i].i_payload);
    return out;
}

}  // namespace sim
