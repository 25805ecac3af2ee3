// The play thread: its event queue, the periodic refresh that shows each picture at its time
// (dropping late ones), the drawing into the display sink, the clocks and the position reports.
#include <cmath>
#include <optional>

#include "player/DisplayGeometry.h"
#include "player/Playback.h"
#include "player/SubtitleBlend.h"
#include "player/PreviewPlayer.h"

namespace zanto::player {

namespace {
using namespace std::chrono_literals;
double SystemClock() { return av_gettime() / 1000000.0; }
}  // namespace

void TCustomPlayer::PushPlayEvent(const TPlayEvent& event) {
  {
    std::lock_guard lock(PlayEventsMutex_);
    PlayEvents_.push_back(event);
  }
  PlayEventsReady_.notify_one();
}

void TCustomPlayer::PlayThreadMain() {
  RaiseState(psPlay);
  {
    std::lock_guard lock(WarmupMutex_);
    PlayStarted_ = true;
    if (WarmupPausePending_) RaiseState(psPause);
    WarmupPausePending_ = false;
  }
  try {
    auto nextRefresh = std::chrono::steady_clock::now();
    for (;;) {
      std::optional<TPlayEvent> event;
      bool refresh = false;
      {
        std::unique_lock lock(PlayEventsMutex_);
        PlayEventsReady_.wait_until(lock, nextRefresh, [this] { return !PlayEvents_.empty(); });
        if (!PlayEvents_.empty()) {
          event = PlayEvents_.front();
          PlayEvents_.pop_front();
        } else {
          refresh = true;
        }
      }
      std::lock_guard lock(PlayerLock_);
      auto pb = CurrentPlayback();
      if (!pb) break;
      if (event) {
        if (event->Kind == peQuit) {
          ClosePlayback(pb);
          break;
        }
        HandlePlayEvent(*pb, *event);
        continue;
      }
      if (refresh) {
        // The refresh tick: 5 ms for pictures, 20 ms for the wave display.
        const auto period = pb->WaveDisplay && pb->AudioIndex >= 0 ? 20ms : 5ms;
        nextRefresh = std::chrono::steady_clock::now() + period;
        pb->RefreshPending = true;
        Refresh(*pb, true);
        pb->RefreshPending = false;
      }
    }
  } catch (const std::exception& e) {
    Log(media::llFatal, std::string("PlayThread Exception: ") + e.what());
    std::lock_guard lock(PlayerLock_);
    ClosePlayback(CurrentPlayback());
  }
  RaiseState(psStop);
  PlayThreadIdle_ = true;
}

void TCustomPlayer::HandlePlayEvent(TPlayback& pb, const TPlayEvent& event) {
  switch (event.Kind) {
    case peResize:
      ScreenWidth_ = event.Width;
      ScreenHeight_ = event.Height;
      Refresh(pb, false);
      break;
    case peExpose:
    case peRedisplay:
      Refresh(pb, false);
      break;
    case peQuit:
      break;
  }
}

void TCustomPlayer::AreaSize(TPlayback& pb, int& width, int& height) const {
  if (ScreenWidth_ > 0 && ScreenHeight_ > 0) {
    width = ScreenWidth_;
    height = ScreenHeight_;
    return;
  }
  std::lock_guard lock(pb.TimingMutex);
  if (pb.GraphWidth > 0 && pb.GraphHeight > 0) {
    width = pb.GraphWidth & ~1;
    height = pb.GraphHeight & ~1;
  } else {
    width = 640;
    height = 480;
  }
}

void TCustomPlayer::OutputArea(int& width, int& height) const {
  width = height = 0;
  if (auto pb = CurrentPlayback()) AreaSize(*pb, width, height);
}

// Video clock: the time of the picture on screen, running with the system clock while playing.
double TCustomPlayer::VideoClockLocked(TPlayback& pb) const {
  if (pb.Paused) return pb.VideoCurrentPts;
  if (pb.VideoCurrentPtsDrift != 0) return pb.VideoCurrentPtsDrift + SystemClock();
  return pb.StartTimeUs / 1000000.0;
}

double TCustomPlayer::MasterClockOf(TPlayback& pb) const {
  if (pb.AudioIndex >= 0) return AudioClockOf(pb);
  std::lock_guard lock(pb.TimingMutex);
  return VideoClockLocked(pb);
}

void TCustomPlayer::Refresh(TPlayback& pb, bool advance) {
  if (pb.VideoIndex < 0) {
    if (pb.AudioIndex >= 0) {
      if (pb.WaveDisplay) DrawWaveDisplay(pb);
      CheckPosition(pb);
    }
    return;
  }
  bool dropped = false;
  for (;;) {
    const bool forced = pb.SeekDisplayPending;
    TPictureInfo head;
    if (!pb.Pictures.Peek(0, head)) {
      if (!advance) {
        media::FramePtr last;
        {
          std::lock_guard lock(pb.TimingMutex);
          if (pb.LastShown) last.reset(av_frame_clone(pb.LastShown.get()));
        }
        if (last) Draw(pb, last.get());
      }
      break;
    }
    const double now = SystemClock();
    if (advance && now < head.TargetClock) return;  // not due yet
    double nextTarget;
    {
      std::lock_guard lock(pb.TimingMutex);
      pb.VideoCurrentPts = head.PtsSeconds;
      pb.VideoCurrentPtsDrift = head.PtsSeconds - now;
      pb.VideoCurrentPos = head.BytePos;
      TPictureInfo next;
      if (pb.Pictures.Peek(1, next))
        nextTarget = next.TargetClock;
      else
        nextTarget = head.TargetClock + pb.VideoPts - head.PtsSeconds;
    }
    if (advance && ((now > nextTarget && !pb.IsCapture) || forced)) {
      pb.SkipFrames = pb.SkipFrames * 1.05f;
      if (pb.Pictures.Size() == 2 || now > nextTarget + 0.5 || forced) {
        pb.Pictures.Pop();
        dropped = true;
        continue;
      }
    }
    // Subtitles due for this picture are blended into a copy of it, which is then drawn fresh.
    media::FramePtr withSubtitles;
    if (pb.SubtitleIndex >= 0 && head.Frame) {
      pb.Subpictures.ForCurrent(head.PtsSeconds, [&](const TSubpicture& sub) {
        withSubtitles.reset(av_frame_clone(head.Frame.get()));
        if (!withSubtitles || av_frame_make_writable(withSubtitles.get()) < 0) {
          withSubtitles.reset();
          return;
        }
        for (unsigned i = 0; i < sub.Sub.num_rects; ++i)
          BlendSubtitleRect(*withSubtitles, *sub.Sub.rects[i]);
      });
    }
    if (withSubtitles)
      Draw(pb, withSubtitles.get());
    else
      Draw(pb, head.Frame.get(), head.Image);
    if (advance) {
      {
        std::lock_guard lock(pb.TimingMutex);
        pb.LastShown = std::move(head.Frame);
        pb.LastShownPts = head.PtsSeconds;
      }
      pb.Pictures.Pop();
      PictureShown(head.PtsSeconds, pb.AudioIndex >= 0 ? AudioClockOf(pb) : std::nan(""));
    }
    break;
  }
  if (!dropped) CheckPosition(pb);
}

TDisplayImagePtr TCustomPlayer::MakeDisplayImage(TPlayback& pb, const AVFrame* picture,
                                                 media::ScalerPtr& scaler) {
  if (!Screen_ || !picture || DisableDisplay) return nullptr;
  int areaWidth, areaHeight;
  AreaSize(pb, areaWidth, areaHeight);
  const double aspect = DisplayAspect(AspectRatio_, areaWidth, areaHeight,
                                      picture->sample_aspect_ratio.num,
                                      picture->sample_aspect_ratio.den, picture->width, picture->height);
  const TDisplayRect rect = DisplayRect(areaWidth, areaHeight, aspect);
  if (rect.Width <= 0 || rect.Height <= 0) return nullptr;
  auto image = std::make_shared<TDisplayImage>();
  image->AreaWidth = areaWidth;
  image->AreaHeight = areaHeight;
  image->Target = rect;
  image->Bitmap.SetSize(rect.Width, rect.Height);
  scaler.reset(sws_getCachedContext(scaler.release(), picture->width, picture->height,
                                    static_cast<AVPixelFormat>(picture->format), rect.Width,
                                    rect.Height, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr,
                                    nullptr));
  if (!scaler) return nullptr;
  uint8_t* dst[1] = {image->Bitmap.ScanLine(0)};
  int dstStride[1] = {image->Bitmap.Stride()};
  sws_scale(scaler.get(), picture->data, picture->linesize, 0, picture->height, dst, dstStride);
  return image;
}

// Shows a picture: the copy the video thread prepared when it still fits the output area (the
// play thread then only hands it over), else a fresh one.
void TCustomPlayer::Draw(TPlayback& pb, const AVFrame* picture, const TDisplayImagePtr& prepared) {
  if (!Screen_ || !picture || DisableDisplay) return;
  if (prepared) {
    int areaWidth, areaHeight;
    AreaSize(pb, areaWidth, areaHeight);
    const double aspect = DisplayAspect(AspectRatio_, areaWidth, areaHeight,
                                        picture->sample_aspect_ratio.num,
                                        picture->sample_aspect_ratio.den, picture->width,
                                        picture->height);
    if (prepared->AreaWidth == areaWidth && prepared->AreaHeight == areaHeight &&
        prepared->Target == DisplayRect(areaWidth, areaHeight, aspect)) {
      Screen_->Present(prepared);
      return;
    }
  }
  if (auto image = MakeDisplayImage(pb, picture, DisplayScaler_)) Screen_->Present(std::move(image));
}

// The wave display of a file without video: the sound being heard, from a trigger point so a
// steady tone stands still.
void TCustomPlayer::DrawWaveDisplay(TPlayback& pb) {
  if (!Screen_ || DisableDisplay) return;
  int areaWidth, areaHeight;
  AreaSize(pb, areaWidth, areaHeight);
  if (areaWidth <= 0 || areaHeight <= 0) return;
  auto image = std::make_shared<TDisplayImage>();
  image->AreaWidth = areaWidth;
  image->AreaHeight = areaHeight;
  image->Target = {0, 0, areaWidth, areaHeight};
  image->Bitmap.SetSize(areaWidth, areaHeight);
  {
    std::lock_guard lock(pb.AudioMutex);
    const int channels = pb.AudioChannels;
    if (!pb.Paused && channels > 0) {
      const int bytesPerFrame = 2 * channels;
      int delay = pb.AudioSilence ? 0 : (pb.AudioBufSize - pb.AudioBufIndex) / bytesPerFrame;
      if (pb.LastCallbackUs > 0)
        delay -= static_cast<int>((av_gettime() - pb.LastCallbackUs) * pb.AudioRate / 1000000);
      delay += 2 * areaWidth;
      if (delay < areaWidth) delay = areaWidth;
      int start = (pb.WaveWriteIndex - delay * channels) % kWaveRingSize;
      if (start < 0) start += kWaveRingSize;
      pb.WaveStart = WaveTriggerStart(pb.WaveRing, start, channels);
    }
    DrawWave(image->Bitmap, pb.WaveRing, pb.WaveStart, channels);
  }
  Screen_->Present(std::move(image));
}

// Updates CurrentPosition, reports it when it moved by more than 10 ms, and raises the end.
void TCustomPlayer::CheckPosition(TPlayback& pb) {
  if (pb.IsImageSequence) return;
  std::lock_guard lock(PositionMutex_);
  int64_t p;
  if (pb.VideoIndex >= 0) {
    double clock;
    {
      std::lock_guard timing(pb.TimingMutex);
      clock = VideoClockLocked(pb);
    }
    p = std::llround(clock * 1000000.0) - pb.StartTimeUs;
  } else if (pb.AudioIndex >= 0) {
    const double clock = AudioClockOf(pb);
    if (std::isnan(clock)) return;
    p = std::llround(clock * 1000000.0) - pb.StartTimeUs;
    const int64_t audioEnd = pb.AudioEndTimeUs;
    if (audioEnd > 0 && p >= audioEnd && p < pb.DurationUs) p = pb.DurationUs;
  } else {
    return;
  }
  CurrentPosition_ = p;
  if (pb.DurationUs > 0 && p >= pb.DurationUs) {
    if (LastReportedPosition_ != pb.DurationUs) LastReportedPosition_ = 0;
    p = pb.DurationUs;
  }
  const int64_t last = LastReportedPosition_;
  if (last == kNoTimeUs || std::llabs(p - last) > 10000) {
    LastReportedPosition_ = p;
    bool hasHandler;
    {
      std::lock_guard handlers(HandlersMutex_);
      hasHandler = static_cast<bool>(OnPosition_);
    }
    if (hasHandler) PostEvent({ekPosition, psPlay, p});
  }
  if (!pb.IsCapture && !pb.EndStateSent && pb.Drained) {
    if (pb.VideoIndex >= 0) pb.EndStateSent = true;
    RaiseState(psEnd);
  }
}

}  // namespace zanto::player
