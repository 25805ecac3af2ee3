#include "engine/VideoHook.h"

#include <exception>

#include "engine/EngineEvents.h"
#include "engine/TranscodeHost.h"

namespace zanto::engine {

bool TVideoHook::ConvertBack(const AVFrame* like) {
  AVFrame* out = Updated_.get();
  if (out->width != like->width || out->height != like->height || out->format != like->format) {
    av_frame_unref(out);
    out->width = like->width;
    out->height = like->height;
    out->format = like->format;
    if (av_frame_get_buffer(out, 0) < 0) return false;
  } else if (av_frame_make_writable(out) < 0) {
    return false;
  }
  SwsContext* ctx = sws_getCachedContext(FromBitmap_.release(), like->width, like->height,
                                         AV_PIX_FMT_BGR24, like->width, like->height,
                                         static_cast<AVPixelFormat>(like->format), SWS_BICUBIC,
                                         nullptr, nullptr, nullptr);
  FromBitmap_.reset(ctx);
  if (!ctx) return false;
  const uint8_t* src[4] = {Bitmap_.ScanLine(0), nullptr, nullptr, nullptr};
  const int srcStride[4] = {Bitmap_.Stride(), 0, 0, 0};
  sws_scale(ctx, src, srcStride, 0, like->height, out->data, out->linesize);
  av_frame_copy_props(out, like);
  return true;
}

AVFrame* TVideoHook::Process(AVFrame* picture, int64_t ptsUs, ITranscodeHost& host) {
  ++FrameNumber_;
  if (!host.HookAttached()) return picture;
  if (!ToBitmap_.Convert(picture, Bitmap_)) {
    host.Log(media::llError, "Cannot initialize the toRGB conversion context");
    host.DetachHook();
    return picture;
  }
  THookInfo info;
  info.Bitmap = &Bitmap_;
  info.FrameNumber = FrameNumber_;
  info.PTS = ptsUs;
  info.Update = true;
  info.StopHook = false;
  try {
    host.CallHook(info);
  } catch (const std::exception& e) {
    host.Log(media::llError, std::string("Error occurs OnCustomHook: ") + e.what());
    return picture;
  } catch (...) {
    host.Log(media::llError, "Error occurs OnCustomHook: unknown exception");
    return picture;
  }
  AVFrame* result = picture;
  if (info.Update && !info.StopHook) {
    if (ConvertBack(picture)) {
      result = Updated_.get();
    } else {
      host.Log(media::llError, "Cannot initialize the fromRGB conversion context");
      host.DetachHook();
    }
  }
  if (info.StopHook) host.DetachHook();
  return result;
}

}  // namespace zanto::engine
