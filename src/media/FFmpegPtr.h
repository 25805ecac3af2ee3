#pragma once
// One move-only owner per FFmpeg object kind. Each frees its object with the library's own
// release call, so no code path has to remember which one.
#include <memory>

#include "media/FFmpeg.h"

namespace zanto::media {

struct InputFormatDeleter {
  void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
// An output context: closes its file (when the format writes one) and frees the context.
struct OutputFormatDeleter {
  void operator()(AVFormatContext* ctx) const {
    if (!ctx) return;
    if (ctx->oformat && !(ctx->oformat->flags & AVFMT_NOFILE)) avio_closep(&ctx->pb);
    avformat_free_context(ctx);
  }
};
struct CodecContextDeleter {
  void operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }
};
struct FrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FilterGraphDeleter {
  void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct ScalerDeleter {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct ResamplerDeleter {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
struct BsfDeleter {
  void operator()(AVBSFContext* b) const { av_bsf_free(&b); }
};
struct DictionaryDeleter {
  void operator()(AVDictionary* d) const { av_dict_free(&d); }
};

using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerDeleter>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerDeleter>;
using BsfPtr = std::unique_ptr<AVBSFContext, BsfDeleter>;
using DictionaryPtr = std::unique_ptr<AVDictionary, DictionaryDeleter>;

inline FramePtr MakeFrame() { return FramePtr(av_frame_alloc()); }
inline PacketPtr MakePacket() { return PacketPtr(av_packet_alloc()); }

}  // namespace zanto::media
