// The video thread: decodes pictures, passes them through the filter graph (the player's
// pictures are always YUV420P), runs the frame hook and queues them with their display time.
#include <cmath>
#include <exception>
#include <thread>

#include "player/Playback.h"
#include "player/PreviewPlayer.h"

namespace zanto::player {

namespace {

using namespace std::chrono_literals;

// buffer -> buffersink (YUV420P only); the library inserts the conversion when needed.
struct TVideoGraph {
  media::FilterGraphPtr Graph;
  AVFilterContext* Source = nullptr;
  AVFilterContext* Sink = nullptr;
  int Width = 0, Height = 0, Format = -1;
  AVRational Sar{0, 1};

  bool Matches(const AVFrame* f) const {
    return Graph && f->width == Width && f->height == Height && f->format == Format &&
           av_cmp_q(f->sample_aspect_ratio, Sar) == 0;
  }

  bool Build(const AVFrame* f, AVRational timeBase) {
    Graph.reset(avfilter_graph_alloc());
    if (!Graph) return false;
    Graph->scale_sws_opts = av_strdup("flags=bicubic");
    Width = f->width;
    Height = f->height;
    Format = f->format;
    Sar = f->sample_aspect_ratio;
    const AVRational sar = Sar.num > 0 ? Sar : AVRational{1, 1};
    const std::string args = "video_size=" + std::to_string(Width) + "x" + std::to_string(Height) +
                             ":pix_fmt=" + std::to_string(Format) +
                             ":time_base=" + std::to_string(timeBase.num) + "/" +
                             std::to_string(timeBase.den) + ":pixel_aspect=" +
                             std::to_string(sar.num) + "/" + std::to_string(sar.den);
    if (avfilter_graph_create_filter(&Source, avfilter_get_by_name("buffer"), "player_input",
                                     args.c_str(), nullptr, Graph.get()) < 0)
      return false;
    Sink = avfilter_graph_alloc_filter(Graph.get(), avfilter_get_by_name("buffersink"), "player_output");
    if (!Sink) return false;
    const AVPixelFormat formats[] = {AV_PIX_FMT_YUV420P, AV_PIX_FMT_NONE};
    if (av_opt_set_int_list(Sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN) < 0 ||
        avfilter_init_str(Sink, nullptr) < 0)
      return false;
    if (avfilter_link(Source, 0, Sink, 0) < 0) return false;
    return avfilter_graph_config(Graph.get(), nullptr) >= 0;
  }
};

void Sleep(std::chrono::milliseconds ms) { std::this_thread::sleep_for(ms); }

}  // namespace

void TCustomPlayer::VideoThreadMain(TPlayback* pbp) {
  TPlayback& pb = *pbp;
  AVCodecContext* dec = pb.VideoCodec.get();
  const AVRational timeBase = pb.VideoStream->time_base;
  AVRational rate = av_guess_frame_rate(pb.Format.get(), pb.VideoStream, nullptr);
  const double frameDuration = rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 0.04;
  TVideoGraph graph;
  media::FramePtr decoded = media::MakeFrame();
  media::FramePtr filtered = media::MakeFrame();
  bool decoderDrained = false;

  while (!pb.AbortRequest) {
    while (pb.Paused && !pb.VideoQueue.Aborted() && !pb.DecodeWhilePaused && !pb.OpenWarmup)
      Sleep(10ms);
    if (pb.VideoQueue.Aborted()) break;

    // One decoded picture, or a packet that produces none.
    int ret = avcodec_receive_frame(dec, decoded.get());
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
      TQueuedPacket item;
      if (pb.VideoQueue.Get(item, true) < 0) break;
      if (item.Flush) {
        avcodec_flush_buffers(dec);
        decoderDrained = false;
        if (!pb.Pictures.ResetAndWaitEmpty()) break;
        {
          std::lock_guard lock(pb.TimingMutex);
          pb.VideoCurrentPos = -1;
          pb.FrameLastPts = -1;
          pb.FrameLastDelay = 0;
          pb.FrameTimer = av_gettime() / 1000000.0;
        }
        pb.SkipFrames = 1.0f;
        pb.SkipCounter = 0;
        pb.FlushSeen = true;
        continue;
      }
      if (item.IsEmpty()) {
        // The end of the input: drain the decoder once, then only look for the end.
        if (!decoderDrained) {
          avcodec_send_packet(dec, nullptr);
          decoderDrained = true;
        } else {
          FrameAfterSeek_ = true;  // nothing more will come
          if (!pb.EndStateSent) CheckPosition(pb);
        }
        continue;
      }
      if (avcodec_send_packet(dec, item.Packet.get()) < 0) continue;
      continue;
    }
    if (ret < 0) continue;

    // Thinning when late: only every SkipFrames-th picture is kept.
    pb.SkipCounter += 1.0f;
    const float skip = pb.SkipFrames;
    if (pb.SkipCounter < skip) {
      av_frame_unref(decoded.get());
      continue;
    }
    pb.SkipCounter -= std::max(1.0f, skip);

    if (pb.SeekDisplayPending && pb.FlushSeen) {
      pb.SeekDisplayPending = false;
      pb.DecodeWhilePaused = false;
    }

    const int64_t stamp = decoded->best_effort_timestamp;
    const bool hasTime = stamp != AV_NOPTS_VALUE;
    const double pts = hasTime ? stamp * av_q2d(timeBase) : 0.0;
    const int64_t pos = decoded->pkt_pos;
    const int repeat = decoded->repeat_pict;

    if (!graph.Matches(decoded.get())) {
      if (!graph.Build(decoded.get(), timeBase)) {
        Log(media::llError, "the video filter graph could not be configured");
        break;
      }
      std::lock_guard lock(pb.TimingMutex);
      pb.GraphWidth = av_buffersink_get_w(graph.Sink);
      pb.GraphHeight = av_buffersink_get_h(graph.Sink);
      pb.GraphSar = av_buffersink_get_sample_aspect_ratio(graph.Sink);
    }
    if (av_buffersrc_add_frame_flags(graph.Source, decoded.get(), 0) < 0) {
      av_frame_unref(decoded.get());
      continue;
    }
    bool failed = false;
    while (av_buffersink_get_frame(graph.Sink, filtered.get()) >= 0) {
      // A picture without a time takes the expected one. (A real time of 0 is kept: after a
      // seek to the start the first picture must not inherit the time before the seek.)
      double time = pts;
      {
        std::lock_guard lock(pb.TimingMutex);
        if (!hasTime)
          time = pb.VideoPts;
        else
          pb.VideoPts = time;
        pb.VideoPts += frameDuration + repeat * 0.5 * frameDuration;
      }
      const int queued = QueuePicture(pb, filtered.get(), time, pos);
      av_frame_unref(filtered.get());
      if (queued < 0) {
        failed = true;
        break;
      }
      // Only a picture from after the seek's flush counts as the picture at the new place.
      if (pb.FlushSeen) FrameAfterSeek_ = true;
      pb.EndStateSent = false;
      if (pb.OpenWarmup == 1) {
        pb.OpenWarmup = 2;
      } else if (pb.OpenWarmup == 2) {
        pb.OpenWarmup = 0;
        RaiseWarmupPause();
      }
    }
    if (failed) break;
  }
}

// The display time of a picture: one frame after the previous, shortened to nothing when the
// video is behind the audio and doubled when it is ahead.
double TCustomPlayer::ComputeTargetClock(TPlayback& pb, double pts) {
  std::lock_guard lock(pb.TimingMutex);
  double delay = pb.FrameLastPts >= 0 ? pts - pb.FrameLastPts : 0;
  if (pb.FrameLastPts < 0 || delay <= 0 || delay >= 10)
    delay = pb.FrameLastDelay;
  else
    pb.FrameLastDelay = delay;
  // The first picture after a flush is due now, however long decoding took to deliver it.
  if (pb.FrameLastPts < 0) pb.FrameTimer = std::max(pb.FrameTimer, av_gettime() / 1000000.0);
  pb.FrameLastPts = pts;
  if (pb.AudioIndex >= 0) {
    const double diff = VideoClockLocked(pb) - MasterClockOf(pb);
    if (std::fabs(diff) < 10) {
      const double threshold = std::max(delay, 0.01);
      if (diff <= -threshold)
        delay = 0;
      else if (diff >= threshold)
        delay = 2 * delay;
    }
  }
  pb.FrameTimer += delay;
  return pb.FrameTimer;
}

int TCustomPlayer::QueuePicture(TPlayback& pb, AVFrame* frame, double pts, int64_t pos) {
  if (pb.Pictures.Full() && !pb.RefreshPending)
    pb.SkipFrames = std::max(0.95f, pb.SkipFrames * 0.95f);
  if (!pb.Pictures.WaitWritable()) return -1;
  RunHook(pb, frame, pts);
  // Scaling for the screen happens here, beside decoding, so the play thread only hands over.
  TDisplayImagePtr image = MakeDisplayImage(pb, frame, PrepareScaler_);
  const double target = ComputeTargetClock(pb, pts);
  pb.Pictures.Push(frame, pts, target, pos, std::move(image));
  pb.FirstPictureQueued = true;
  return 0;
}

// The frame hook: the handler draws on a BGR copy of the picture, which then replaces it.
void TCustomPlayer::RunHook(TPlayback& pb, AVFrame* frame, double pts) {
  if (!Hook_) return;
  THookEvent handler;
  {
    std::lock_guard lock(HandlersMutex_);
    handler = OnHook_;
  }
  if (!handler) return;
  const int w = frame->width, h = frame->height;
  HookToRgb_.reset(sws_getCachedContext(HookToRgb_.release(), w, h, AV_PIX_FMT_YUV420P, w, h,
                                        AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
  if (!HookToRgb_) {
    Log(media::llError, "Cannot initialize the toRGB conversion context");
    return;
  }
  if (HookBitmap_.Width() != w || HookBitmap_.Height() != h) HookBitmap_.SetSize(w, h);
  platform::TCanvasLock canvas(HookBitmap_);
  uint8_t* rgb[1] = {HookBitmap_.ScanLine(0)};
  int rgbStride[1] = {HookBitmap_.Stride()};
  sws_scale(HookToRgb_.get(), frame->data, frame->linesize, 0, h, rgb, rgbStride);
  const int64_t ptsUs = std::llround(pts * 1000000.0) - pb.StartTimeUs;
  try {
    handler(this, HookBitmap_, ptsUs);
  } catch (const std::exception& e) {
    Log(media::llError, std::string("Error occurs OnHook: ") + e.what());
    return;
  } catch (...) {
    Log(media::llError, "Error occurs OnHook: unknown exception");
    return;
  }
  HookFromRgb_.reset(sws_getCachedContext(HookFromRgb_.release(), w, h, AV_PIX_FMT_BGR24, w, h,
                                          AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
  if (!HookFromRgb_) {
    Log(media::llError, "Cannot initialize the fromRGB conversion context");
    return;
  }
  // The graph's picture may be shared with the library: write into a private copy.
  if (av_frame_make_writable(frame) < 0) return;
  const uint8_t* src[1] = {HookBitmap_.ScanLine(0)};
  sws_scale(HookFromRgb_.get(), src, rgbStride, 0, h, frame->data, frame->linesize);
}

}  // namespace zanto::player
