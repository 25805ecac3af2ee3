#pragma once
// The preview player: plays one media file with sound into a display sink and reports what
// happens through events. All operations are called from the main thread.
//
// Threads of one playback: the caller (main thread), the play thread (its own event queue:
// quit, resize, redisplay and the periodic refresh that draws pictures), the event thread
// (delivers OnPosition/OnState, through the main thread by default), the read thread, the video
// thread, the subtitle thread and SDL's audio thread. Only one player plays at a time in the
// process.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/FFmpegPtr.h"
#include "media/MediaProbe.h"
#include "media/MediaLogger.h"
#include "media/MediaUtils.h"
#include "platform/Bitmap24.h"
#include "player/DisplaySink.h"
#include "player/PlayerEventQueue.h"
#include "player/PlayerTypes.h"

namespace zanto::player {

struct TPlayback;

class TCustomPlayer {
 public:
  TCustomPlayer();
  virtual ~TCustomPlayer();
  TCustomPlayer(const TCustomPlayer&) = delete;
  TCustomPlayer& operator=(const TCustomPlayer&) = delete;

  // Properties.
  std::string About;
  static std::string Version() { return "2.3"; }
  float AspectRatio() const { return AspectRatio_; }
  void SetAspectRatio(float value);
  TAudioDriver AudioDriver = adDefault;
  TVideoDriver VideoDriver = vdDefault;
  int AudioVolume() const { return AudioVolume_; }
  void SetAudioVolume(int value);  // 0..128
  bool Mute() const { return Mute_; }
  void SetMute(bool value) { Mute_ = value; }
  bool DisableAudio = false;
  bool DisableVideo = false;
  bool DisableDisplay = false;
  int FrameWidth = 0, FrameHeight = 0;
  int ScreenWidth() const { return ScreenWidth_; }
  int ScreenHeight() const { return ScreenHeight_; }
  void SetScreenWidth(int value) { ScreenWidth_ = value; }
  void SetScreenHeight(int value) { ScreenHeight_ = value; }
  bool Hook() const { return Hook_; }
  void SetHook(bool value) { Hook_ = value; }
  bool TriggerEventInMainThread = true;

  // Events (set from the main thread; OnHook runs in the video thread).
  void SetOnFileOpen(TFileOpenEvent handler);
  void SetOnPosition(TPositionEvent handler);
  void SetOnState(TPlayStateEvent handler);
  void SetOnHook(THookEvent handler);

  static bool LibrariesLoaded();
  bool LoadLibraries(const std::string& folder);

  // Open may be called from the player's own OnState/OnPosition handlers (to play the next
  // file); destroying the player from inside one of them is not supported.
  bool Open(const std::string& fileName, TDisplaySink* screen, bool paused);
  void Stop(bool wait);
  void Pause();
  void Resume();
  void Seek(int flags, bool wait, int64_t positionUs);
  void SeekRelative(int flags, bool wait, double offsetSeconds);

  // The picture at the play position (what is shown or next to be shown), valid until the next
  // call or the next Open; empty (0 x 0) and position -1 without a video stream.
  const platform::TBitmap24& CurrentFrame();
  const platform::TBitmap24& CurrentFrameAt(int64_t& positionUs);

  // Describes the open file (attached to the playback's format context while a file is open).
  media::TMediaProbe& Probe() { return *Probe_; }
  std::string FileName() const;
  std::string LastErrorMessage() const;
  int64_t CurrentPosition() const { return CurrentPosition_; }
  int64_t LastReportedPosition() const { return LastReportedPosition_; }
  TPlayState State() const { return LastState_; }
  // True while a file is open.
  bool Playing() const;
  // Audio clock of the playback in seconds (the master clock); NaN without audio.
  double AudioClockSeconds() const;
  // The name of the SDL audio driver in use ("dummy" on machines without sound); empty when none.
  std::string AudioDriverName() const;
  // The output area pictures are drawn into.
  void OutputArea(int& width, int& height) const;

 protected:
  // For measuring subclasses: called on the play thread after each shown picture with its time
  // and the audio clock (seconds). A subclass that overrides it stops the player (Stop(true)) in
  // its own destructor, before its members go.
  virtual void PictureShown(double /*ptsSeconds*/, double /*audioClock*/) {}

 private:
  enum TPlayEventKind { peQuit, peResize, peExpose, peRedisplay };
  struct TPlayEvent {
    TPlayEventKind Kind = peQuit;
    int Width = 0, Height = 0;
  };

  std::shared_ptr<TPlayback> CurrentPlayback() const;
  void Fail(const std::string& text, bool log = true);
  void Log(media::TLogLevel level, const std::string& text) const;

  // Opening and closing.
  bool StartPlayback(bool paused);
  void ClosePlayback(const std::shared_ptr<TPlayback>& pb);
  void WaitForPlaybackEnd();
  void JoinThreads();
  void ResetFileState();
  bool InitAudio();
  void RaiseFileOpen(TPlayback& pb);

  // Read thread and stream components (ReadThread.cpp).
  void ReadThreadMain(TPlayback* pb);
  bool OpenInput(TPlayback& pb);
  void ReadLoop(TPlayback& pb);
  void DoSeek(TPlayback& pb);
  bool OpenComponent(TPlayback& pb, int index);
  void CloseComponents(TPlayback& pb);
  void RequestSeek(TPlayback& pb, int flags, bool wait, int64_t target, int64_t rel);
  void TogglePause(TPlayback& pb);

  // Audio (AudioOutput.cpp).
  bool OpenAudioDevice(TPlayback& pb);
  static bool UsingSilentDriver();
  void StartAudioOutput(TPlayback& pb);
  static void AudioCallback(void* userdata, uint8_t* stream, int len);
  int DecodeAudio(TPlayback& pb);

  // Video (VideoThread.cpp).
  void VideoThreadMain(TPlayback* pb);
  int QueuePicture(TPlayback& pb, AVFrame* frame, double pts, int64_t pos);
  double ComputeTargetClock(TPlayback& pb, double pts);
  void RunHook(TPlayback& pb, AVFrame* frame, double pts);

  // Subtitles (SubtitleThread.cpp).
  void SubtitleThreadMain(TPlayback* pb);

  // Refresh, clocks, drawing and positions (Refresh.cpp).
  void PlayThreadMain();
  void HandlePlayEvent(TPlayback& pb, const TPlayEvent& event);
  void Refresh(TPlayback& pb, bool advance);
  void Draw(TPlayback& pb, const AVFrame* picture, const TDisplayImagePtr& prepared = nullptr);
  // The picture scaled to its place in the current output area (null without a sink).
  TDisplayImagePtr MakeDisplayImage(TPlayback& pb, const AVFrame* picture, media::ScalerPtr& scaler);
  void DrawWaveDisplay(TPlayback& pb);
  void CheckPosition(TPlayback& pb);
  double VideoClockLocked(TPlayback& pb) const;
  double AudioClockOf(TPlayback& pb) const;
  double MasterClockOf(TPlayback& pb) const;
  void AreaSize(TPlayback& pb, int& width, int& height) const;
  void PushPlayEvent(const TPlayEvent& event);

  // Events (Events.cpp).
  void RaiseState(TPlayState state);
  // The pause that ends a paused open; held back until the play thread has raised psPlay.
  void RaiseWarmupPause();
  void PostEvent(const TPlayerEvent& event);
  void EventThreadMain(uint64_t generation, std::shared_ptr<std::atomic<bool>> done);
  template <typename Fn>
  void CallHandler(Fn&& fn);

  // Properties behind accessors (read by other threads).
  std::atomic<float> AspectRatio_{0};
  std::atomic<int> AudioVolume_{128};
  std::atomic<bool> Mute_{false};
  std::atomic<int> ScreenWidth_{0}, ScreenHeight_{0};
  std::atomic<bool> Hook_{false};

  // HandlersMutex_ guards the four event handlers.
  mutable std::mutex HandlersMutex_;
  TFileOpenEvent OnFileOpen_;
  TPositionEvent OnPosition_;
  TPlayStateEvent OnState_;
  THookEvent OnHook_;

  // PlaybackMutex_ guards Playback_, FileName_ and LastErrorMessage_. PlayerLock_ is held while
  // the play thread handles one event and while a playback is closed, so a waiting Stop and the
  // play thread never close the same playback twice.
  mutable std::mutex PlaybackMutex_;
  std::shared_ptr<TPlayback> Playback_;
  std::string FileName_;
  std::string LastErrorMessage_;
  std::mutex PlayerLock_;
  TDisplaySink* Screen_ = nullptr;
  // The screen size came from the sink (not from the caller): forgotten at close, so the next
  // open measures the sink again.
  bool ScreenFromSink_ = false;
  std::unique_ptr<media::TMediaProbe> Probe_;

  std::atomic<int64_t> CurrentPosition_{-1};
  std::atomic<int64_t> LastReportedPosition_{AV_NOPTS_VALUE};
  std::atomic<TPlayState> LastState_{psStop};
  std::mutex PositionMutex_;  // serialises the position and end check

  std::atomic<bool> SeekDone_{true};
  std::atomic<bool> FrameAfterSeek_{true};
  std::atomic<bool> PlayThreadIdle_{true};
  // Each event thread serves one generation; a handler that opens another file retires the
  // thread it runs on, which ends once the handler returns (it cannot be joined from inside).
  std::atomic<uint64_t> EventGeneration_{0};
  std::shared_ptr<std::atomic<bool>> EventThreadDone_;
  std::atomic<int> HandlerDepth_{0};  // handlers of this player running on the main thread
  struct TRetiredThread {
    std::thread Thread;
    std::shared_ptr<std::atomic<bool>> Done;
  };
  std::vector<TRetiredThread> RetiredEventThreads_;
  std::mutex WarmupMutex_;  // guards PlayStarted_ and WarmupPausePending_
  bool PlayStarted_ = false;
  bool WarmupPausePending_ = false;

  // PlayEventsMutex_ guards PlayEvents_; PlayEventsReady_ wakes the play thread.
  std::mutex PlayEventsMutex_;
  std::condition_variable PlayEventsReady_;
  std::deque<TPlayEvent> PlayEvents_;

  TPlayerEventQueue Events_;
  std::thread PlayThread_, EventThread_;

  // Frame buffers: the current-frame copy (main thread) and the hook bitmap (video thread).
  platform::TBitmap24 CurrentBitmap_;
  media::TFrameToBitmap CurrentConverter_;
  platform::TBitmap24 HookBitmap_;
  media::ScalerPtr HookToRgb_, HookFromRgb_;
  media::ScalerPtr DisplayScaler_;  // play thread
  media::ScalerPtr PrepareScaler_;  // video thread
  std::atomic<bool> AudioSubsystemUp_{false};
};

// The published component: the same player with its properties.
class TPreviewPlayer : public TCustomPlayer {
 public:
  using TCustomPlayer::TCustomPlayer;
};

}  // namespace zanto::player
