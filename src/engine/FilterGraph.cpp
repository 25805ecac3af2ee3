#include "engine/FilterGraph.h"

#include <cstdio>

#include "media/MediaUtils.h"

namespace zanto::engine {

namespace {

// Frees a parsed in/out list however parsing ended.
struct InOutDeleter {
  void operator()(AVFilterInOut* io) const { avfilter_inout_free(&io); }
};
using InOutPtr = std::unique_ptr<AVFilterInOut, InOutDeleter>;

std::string Crop(int width, int height, int left, int top) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "crop=%d:%d:%d:%d", width, height, left, top);
  return buffer;
}

std::string Scale(int width, int height) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "scale=%d:%d", width, height);
  return buffer;
}

}  // namespace

bool TVideoFilterGraph::Build(const TFilterSource& source, const TFilterTarget& target,
                              std::string& reason) {
  Graph_.reset();
  SourceFilter_ = SinkFilter_ = nullptr;
  media::FilterGraphPtr graph(avfilter_graph_alloc());
  if (!graph) {
    reason = media::ErrorText(AVERROR(ENOMEM));
    return false;
  }
  // The graph's own scalers use the task's scaler flags.
  char flags[32];
  std::snprintf(flags, sizeof flags, "flags=0x%X", static_cast<unsigned>(target.ScalerFlags));
  graph->scale_sws_opts = av_strdup(flags);
  // Filters with slice threading (scale) use every core, as the codecs do.
  graph->nb_threads = 0;

  AVRational sar = source.SampleAspect.num > 0 ? source.SampleAspect : AVRational{0, 1};
  char args[256];
  std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                source.Width, source.Height, static_cast<int>(source.PixelFormat),
                source.TimeBase.num, source.TimeBase.den, sar.num, sar.den > 0 ? sar.den : 1);
  int ret = avfilter_graph_create_filter(&SourceFilter_, avfilter_get_by_name("buffer"), "src",
                                         args, nullptr, graph.get());
  if (ret < 0) {
    reason = media::ErrorText(ret);
    return false;
  }
  SinkFilter_ = avfilter_graph_alloc_filter(graph.get(), avfilter_get_by_name("buffersink"), "out");
  if (!SinkFilter_) {
    reason = media::ErrorText(AVERROR(ENOMEM));
    return false;
  }
  const AVPixelFormat formats[] = {target.PixelFormat, AV_PIX_FMT_NONE};
  ret = av_opt_set_int_list(SinkFilter_, "pix_fmts", formats, AV_PIX_FMT_NONE,
                            AV_OPT_SEARCH_CHILDREN);
  if (ret >= 0) ret = avfilter_init_str(SinkFilter_, nullptr);
  if (ret < 0) {
    reason = media::ErrorText(ret);
    return false;
  }

  // The chain as text: crop, scale, then the user's filters, then a final fixed scale if asked.
  std::string chain;
  auto append = [&chain](const std::string& part) {
    if (part.empty()) return;
    if (!chain.empty()) chain += ",";
    chain += part;
  };
  const int cropW = source.Width - target.CropLeft - target.CropRight;
  const int cropH = source.Height - target.CropTop - target.CropBottom;
  if (target.CropTop || target.CropBottom || target.CropLeft || target.CropRight)
    append(Crop(cropW, cropH, target.CropLeft, target.CropTop));
  if (target.Width > 0 && target.Height > 0 && (cropW != target.Width || cropH != target.Height))
    append(Scale(target.Width, target.Height));
  append(target.UserChain);
  if (target.ForceWidth > 0 && target.ForceHeight > 0)
    append(Scale(target.ForceWidth, target.ForceHeight));

  if (chain.empty()) {
    ret = avfilter_link(SourceFilter_, 0, SinkFilter_, 0);
  } else {
    InOutPtr outputs(avfilter_inout_alloc());
    InOutPtr inputs(avfilter_inout_alloc());
    if (!outputs || !inputs) {
      reason = media::ErrorText(AVERROR(ENOMEM));
      return false;
    }
    outputs->name = av_strdup("in");
    outputs->filter_ctx = SourceFilter_;
    outputs->pad_idx = 0;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = SinkFilter_;
    inputs->pad_idx = 0;
    AVFilterInOut* in = inputs.release();
    AVFilterInOut* out = outputs.release();
    ret = avfilter_graph_parse_ptr(graph.get(), chain.c_str(), &in, &out, nullptr);
    avfilter_inout_free(&in);
    avfilter_inout_free(&out);
  }
  if (ret >= 0) ret = avfilter_graph_config(graph.get(), nullptr);
  if (ret < 0) {
    reason = media::ErrorText(ret);
    SourceFilter_ = SinkFilter_ = nullptr;
    return false;
  }
  Graph_ = std::move(graph);
  Source_ = source;
  return true;
}

int TVideoFilterGraph::OutputWidth() const { return av_buffersink_get_w(SinkFilter_); }
int TVideoFilterGraph::OutputHeight() const { return av_buffersink_get_h(SinkFilter_); }
AVRational TVideoFilterGraph::OutputTimeBase() const {
  return av_buffersink_get_time_base(SinkFilter_);
}
AVRational TVideoFilterGraph::OutputSampleAspect() const {
  return av_buffersink_get_sample_aspect_ratio(SinkFilter_);
}

int TVideoFilterGraph::Push(AVFrame* frame) {
  return av_buffersrc_add_frame_flags(SourceFilter_, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
}

int TVideoFilterGraph::Pull(AVFrame* frame) { return av_buffersink_get_frame(SinkFilter_, frame); }

}  // namespace zanto::engine
