// Opening, stopping, pausing and seeking: the player's control operations (main thread).
#include "player/PreviewPlayer.h"

#include <SDL2/SDL.h>

#include <cmath>

#include "media/MediaLoader.h"
#include "platform/MainThread.h"
#include "player/Playback.h"

namespace zanto::player {

namespace {

using namespace std::chrono_literals;
using platform::TMainThread;

// The one player that holds the audio device; guarded by ActiveMutex.
std::mutex ActiveMutex;
TCustomPlayer* ActivePlayer = nullptr;

void SetActive(TCustomPlayer* player, TCustomPlayer* onlyIf) {
  std::lock_guard lock(ActiveMutex);
  if (!onlyIf || ActivePlayer == onlyIf) ActivePlayer = player;
}

TCustomPlayer* Active() {
  std::lock_guard lock(ActiveMutex);
  return ActivePlayer;
}

const char* SdlDriverName(TAudioDriver driver) {
  switch (driver) {
    case adDirectSound: return "directsound";
    case adWaveOut: return "winmm";
    default: return nullptr;
  }
}

}  // namespace

TCustomPlayer::TCustomPlayer() : Probe_(std::make_unique<media::TMediaProbe>()) {}

TCustomPlayer::~TCustomPlayer() {
  {
    std::lock_guard lock(HandlersMutex_);
    OnPosition_ = nullptr;
    OnState_ = nullptr;
    OnHook_ = nullptr;
  }
  Stop(true);
  JoinThreads();
  SetActive(nullptr, this);
}

void TCustomPlayer::SetAspectRatio(float value) {
  if (value == AspectRatio_) return;
  AspectRatio_ = value;
  if (CurrentPlayback()) PushPlayEvent({peRedisplay, 0, 0});
}

void TCustomPlayer::SetAudioVolume(int value) {
  AudioVolume_ = std::clamp(value, 0, SDL_MIX_MAXVOLUME);
}

void TCustomPlayer::SetOnFileOpen(TFileOpenEvent handler) {
  std::lock_guard lock(HandlersMutex_);
  OnFileOpen_ = std::move(handler);
}
void TCustomPlayer::SetOnPosition(TPositionEvent handler) {
  std::lock_guard lock(HandlersMutex_);
  OnPosition_ = std::move(handler);
}
void TCustomPlayer::SetOnState(TPlayStateEvent handler) {
  std::lock_guard lock(HandlersMutex_);
  OnState_ = std::move(handler);
}
void TCustomPlayer::SetOnHook(THookEvent handler) {
  std::lock_guard lock(HandlersMutex_);
  OnHook_ = std::move(handler);
}

bool TCustomPlayer::LibrariesLoaded() { return media::MediaLibrariesLoaded(); }

bool TCustomPlayer::LoadLibraries(const std::string& folder) {
  std::string error;
  if (media::LoadMediaLibraries(folder, error)) return true;
  std::lock_guard lock(PlaybackMutex_);
  LastErrorMessage_ = error;
  return false;
}

std::shared_ptr<TPlayback> TCustomPlayer::CurrentPlayback() const {
  std::lock_guard lock(PlaybackMutex_);
  return Playback_;
}

bool TCustomPlayer::Playing() const { return CurrentPlayback() != nullptr; }

std::string TCustomPlayer::FileName() const {
  std::lock_guard lock(PlaybackMutex_);
  return FileName_;
}

std::string TCustomPlayer::LastErrorMessage() const {
  std::lock_guard lock(PlaybackMutex_);
  return LastErrorMessage_;
}

void TCustomPlayer::Log(media::TLogLevel level, const std::string& text) const {
  media::GetLogger().LogMessage(this, level, text);
}

void TCustomPlayer::Fail(const std::string& text, bool log) {
  if (log) Log(media::llError, text);
  std::lock_guard lock(PlaybackMutex_);
  LastErrorMessage_ = text;
}

std::string TCustomPlayer::AudioDriverName() const {
  if (!AudioSubsystemUp_) return std::string();
  const char* name = SDL_GetCurrentAudioDriver();
  return name ? name : "";
}

// SDL is brought up for audio only, once per playback. A machine without a usable driver falls
// back to SDL's "dummy" driver, under which the player's own silent output asks for samples at
// the real rate.
bool TCustomPlayer::InitAudio() {
  if (const char* name = SdlDriverName(AudioDriver))
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, name, SDL_HINT_OVERRIDE);
  else
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO | SDL_INIT_TIMER) != 0) {
    Log(media::llWarning, std::string("SDL audio could not start (") + SDL_GetError() +
                              "); playing on with the silent \"dummy\" audio driver");
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO | SDL_INIT_TIMER) != 0) {
      Fail(std::string("Could not initialize SDL with ScreenHandle(0): ") + SDL_GetError());
      return false;
    }
  }
  AudioSubsystemUp_ = true;
  if (const char* name = SDL_GetCurrentAudioDriver())
    media::GetLogger().LogMessageFmt(this, media::llDebug, "using audio driver: %s\n", name);
  return true;
}

bool TCustomPlayer::Open(const std::string& fileName, TDisplaySink* screen, bool paused) {
  if (!LibrariesLoaded()) {
    Fail("libav or libsdl not loaded.");
    return false;
  }
  // One playback at a time in the process: the audio device has one owner.
  if (TCustomPlayer* other = Active(); other && other != this) other->Stop(true);
  Stop(true);
  JoinThreads();
  {
    std::lock_guard lock(PlaybackMutex_);
    LastErrorMessage_.clear();
  }
  if (!InitAudio()) return false;
  if (DisableDisplay) DisableVideo = true;

  {
    std::lock_guard lock(PlaybackMutex_);
    FileName_ = fileName;
  }
  Screen_ = DisableDisplay ? nullptr : screen;
  Events_.Clear();
  {
    std::lock_guard lock(WarmupMutex_);
    PlayStarted_ = false;
    WarmupPausePending_ = false;
  }
  SetActive(this, nullptr);
  if (!StartPlayback(paused)) {
    SetActive(nullptr, this);
    if (AudioSubsystemUp_) SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_TIMER);
    AudioSubsystemUp_ = false;
    Screen_ = nullptr;
    return false;
  }
  if (Screen_) Screen_->SetResizeHandler([this](int w, int h) { PushPlayEvent({peResize, w, h}); });
  auto pb = CurrentPlayback();
  try {
    Probe_->AttachContext(pb->Format.get());
  } catch (const std::exception& e) {
    Log(media::llError, e.what());
  }
  RaiseFileOpen(*pb);

  EventThreadDone_ = std::make_shared<std::atomic<bool>>(false);
  EventThread_ = std::thread([this, generation = EventGeneration_.load(), done = EventThreadDone_] {
    EventThreadMain(generation, done);
  });
  PlayThreadIdle_ = false;
  PlayThread_ = std::thread([this] { PlayThreadMain(); });
  return true;
}

bool TCustomPlayer::StartPlayback(bool paused) {
  auto pb = std::make_shared<TPlayback>();
  pb->Owner = this;
  pb->FileName = FileName();
  if (paused) {
    pb->Paused = true;
    pb->OpenWarmup = 1;
  }
  {
    std::lock_guard lock(PlayEventsMutex_);
    PlayEvents_.clear();
  }
  pb->ReadThread = std::thread([this, raw = pb.get()] { ReadThreadMain(raw); });
  TMainThread::WaitPumping([&] { return pb->OpenStatus != 0; }, std::chrono::milliseconds(-1), 10ms);
  if (pb->OpenStatus > 0) {
    if (pb->VideoIndex < 0 && pb->AudioIndex >= 0 && !DisableDisplay) pb->WaveDisplay = true;
    std::lock_guard lock(PlaybackMutex_);
    Playback_ = pb;
    return true;
  }
  TMainThread::WaitPumping([&] { return pb->OpenStatus == -2; }, std::chrono::milliseconds(-1), 10ms);
  pb->ReadThread.join();
  ResetFileState();
  return false;
}

void TCustomPlayer::RaiseFileOpen(TPlayback& pb) {
  CurrentBitmap_.SetSize(0, 0);
  HookBitmap_.SetSize(0, 0);
  const int64_t duration = pb.IsImageSequence ? 0 : pb.DurationUs;
  int frameWidth = -1, frameHeight = -1;
  if (pb.VideoIndex >= 0 && pb.VideoWidth > 0) {
    frameWidth = pb.VideoWidth;
    frameHeight = pb.VideoHeight;
  }
  int screenWidth = ScreenWidth_, screenHeight = ScreenHeight_;
  TFileOpenEvent handler;
  {
    std::lock_guard lock(HandlersMutex_);
    handler = OnFileOpen_;
  }
  if (handler) handler(this, duration, frameWidth, frameHeight, screenWidth, screenHeight);
  ScreenWidth_ = screenWidth;
  ScreenHeight_ = screenHeight;
  ScreenFromSink_ = false;
  if (Screen_ && (ScreenWidth_ == 0 || ScreenHeight_ == 0)) {
    ScreenWidth_ = Screen_->AreaWidth();
    ScreenHeight_ = Screen_->AreaHeight();
    ScreenFromSink_ = true;
  }
}

void TCustomPlayer::ResetFileState() {
  CurrentPosition_ = -1;
  LastReportedPosition_ = kNoTimeUs;
  SeekDone_ = true;
}

// Closes a playback from whichever thread gets here first (the play thread normally, a waiting
// Stop when the play thread does not respond). The caller holds PlayerLock_.
void TCustomPlayer::ClosePlayback(const std::shared_ptr<TPlayback>& pb) {
  {
    std::lock_guard lock(PlaybackMutex_);
    if (Playback_ != pb || !pb) return;
  }
  // The probe lets go of the context before the read thread closes it.
  Probe_->CloseFile();
  pb->AbortRequest = true;
  pb->Pictures.Abort();
  if (pb->ReadThread.joinable()) pb->ReadThread.join();
  if (Screen_) Screen_->SetResizeHandler(nullptr);
  if (ScreenFromSink_) ScreenWidth_ = ScreenHeight_ = 0;
  ScreenFromSink_ = false;
  {
    std::lock_guard lock(PlaybackMutex_);
    Playback_.reset();
  }
  ResetFileState();
  DisplayScaler_.reset();
  if (AudioSubsystemUp_) SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_TIMER);
  AudioSubsystemUp_ = false;
  SetActive(nullptr, this);
}

void TCustomPlayer::Stop(bool wait) {
  if (auto pb = CurrentPlayback()) {
    if (pb->Paused) TogglePause(*pb);
    PushPlayEvent({peQuit, 0, 0});
  }
  if (wait) WaitForPlaybackEnd();
}

// Waits for the play thread to take up the quit request. When it does not (it never answers
// while PlayerLock_ stays free), the request is repeated every 100 ms and the playback is closed
// from here after about 1 s (a read is blocked) or 2 s.
void TCustomPlayer::WaitForPlaybackEnd() {
  int attempts = 1;
  for (;;) {
    if (TMainThread::WaitPumping([this] { return PlayThreadIdle_.load(); }, 100ms, 10ms)) break;
    auto pb = CurrentPlayback();
    if (!pb) break;
    // Busy play thread: wait another step (the wait above already lasted 100 ms).
    std::unique_lock lock(PlayerLock_, std::try_to_lock);
    if (!lock.owns_lock()) continue;
    ++attempts;
    if (attempts <= 10 || (attempts <= 20 && !pb->Reading)) {
      PushPlayEvent({peQuit, 0, 0});
      continue;
    }
    ClosePlayback(pb);
    break;
  }
  // The play thread ends promptly once its playback is gone.
  TMainThread::WaitPumping([this] { return PlayThreadIdle_.load(); }, std::chrono::milliseconds(-1), 10ms);
  if (PlayThread_.joinable()) PlayThread_.join();
}

void TCustomPlayer::JoinThreads() {
  if (PlayThread_.joinable()) {
    TMainThread::WaitPumping([this] { return PlayThreadIdle_.load(); }, std::chrono::milliseconds(-1), 10ms);
    PlayThread_.join();
  }
  if (EventThread_.joinable()) {
    if (HandlerDepth_ > 0 && TMainThread::IsMainThread()) {
      // Called from one of this player's handlers: the event thread waits for that handler,
      // so it is told to end instead and joined later.
      ++EventGeneration_;
      RetiredEventThreads_.push_back({std::move(EventThread_), EventThreadDone_});
    } else {
      // The event thread ends after delivering the stop; it may need the main thread for that.
      auto done = EventThreadDone_;
      TMainThread::WaitPumping([&done] { return done->load(); }, std::chrono::milliseconds(-1), 10ms);
      EventThread_.join();
    }
  }
  // Retired threads end as soon as the handler they served has returned.
  for (auto it = RetiredEventThreads_.begin(); it != RetiredEventThreads_.end();) {
    if (HandlerDepth_ > 0 && !*it->Done) {
      ++it;
      continue;
    }
    auto done = it->Done;
    TMainThread::WaitPumping([&done] { return done->load(); }, std::chrono::milliseconds(-1), 10ms);
    it->Thread.join();
    it = RetiredEventThreads_.erase(it);
  }
}

void TCustomPlayer::Pause() {
  auto pb = CurrentPlayback();
  if (!pb || pb->Paused) return;
  TogglePause(*pb);
  RaiseState(psPause);
}

void TCustomPlayer::Resume() {
  auto pb = CurrentPlayback();
  if (!pb || !pb->Paused) return;
  TogglePause(*pb);
  RaiseState(psResume);
}

void TCustomPlayer::TogglePause(TPlayback& pb) {
  if (!TMainThread::WaitPumping([this] { return SeekDone_.load(); }, 250ms, 10ms)) SeekDone_ = true;
  if (pb.Paused) {
    std::lock_guard lock(pb.TimingMutex);
    const double now = av_gettime() / 1000000.0;
    pb.FrameTimer += now + pb.VideoCurrentPtsDrift - pb.VideoCurrentPts;
    if (pb.ReadPauseResult != AVERROR(ENOSYS)) pb.VideoCurrentPts = pb.VideoCurrentPtsDrift + now;
    pb.VideoCurrentPtsDrift = pb.VideoCurrentPts - now;
    pb.Paused = false;
  } else {
    // A pause right after a seek shows the picture at the new place.
    if (pb.VideoIndex >= 0 &&
        !TMainThread::WaitPumping([this] { return FrameAfterSeek_.load(); }, 250ms, 10ms))
      FrameAfterSeek_ = true;
    pb.Paused = true;
  }
}

void TCustomPlayer::RequestSeek(TPlayback& pb, int flags, bool wait, int64_t target, int64_t rel) {
  {
    std::lock_guard lock(pb.SeekMutex);
    if (pb.SeekPending) return;  // one request at a time: later ones are ignored
    pb.DecodeWhilePaused = pb.Paused.load();
    pb.SeekFlags = flags;
    pb.SeekTarget = target;
    pb.SeekRel = rel;
    SeekDone_ = false;
    pb.SeekPending = true;
  }
  if (!wait) return;
  TMainThread::WaitPumping([this] { return SeekDone_.load(); }, std::chrono::milliseconds(-1), 100ms);
  if (pb.VideoIndex >= 0)
    TMainThread::WaitPumping([this, &pb] { return FrameAfterSeek_.load() || pb.AbortRequest; },
                             std::chrono::milliseconds(-1), 100ms);
}

void TCustomPlayer::Seek(int flags, bool wait, int64_t positionUs) {
  auto pb = CurrentPlayback();
  if (!pb) return;
  if (flags & AVSEEK_FLAG_BYTE) {
    RequestSeek(*pb, flags, wait, positionUs, 0);
    return;
  }
  // A file of unknown duration is not clamped (its duration is no limit).
  int64_t target = pb->DurationUs >= 0 ? std::min(positionUs, pb->DurationUs) : positionUs;
  target = std::max<int64_t>(target, 0);
  target += pb->StartTimeUs;
  RequestSeek(*pb, flags, wait, target, positionUs <= 0 ? 1 : 0);
}

void TCustomPlayer::SeekRelative(int flags, bool wait, double offsetSeconds) {
  auto pb = CurrentPlayback();
  if (!pb) return;
  int64_t target;
  if (flags & AVSEEK_FLAG_BYTE) {
    const int64_t bitRate = pb->Format->bit_rate;
    const int64_t here = pb->Format->pb ? avio_tell(pb->Format->pb) : 0;
    target = here + static_cast<int64_t>(bitRate > 0 ? offsetSeconds * bitRate / 8.0
                                                      : offsetSeconds * 180000.0);
  } else {
    target = static_cast<int64_t>((MasterClockOf(*pb) + offsetSeconds) * AV_TIME_BASE);
  }
  RequestSeek(*pb, flags, wait, target, static_cast<int64_t>(offsetSeconds * AV_TIME_BASE));
}

const platform::TBitmap24& TCustomPlayer::CurrentFrame() {
  int64_t position;
  return CurrentFrameAt(position);
}

// The next picture to show while pictures wait; otherwise the picture on screen.
const platform::TBitmap24& TCustomPlayer::CurrentFrameAt(int64_t& positionUs) {
  positionUs = -1;
  auto pb = CurrentPlayback();
  if (!pb || pb->VideoIndex < 0) {
    CurrentBitmap_.SetSize(0, 0);
    return CurrentBitmap_;
  }
  CurrentBitmap_.SetSize(pb->VideoWidth, pb->VideoHeight);
  CurrentBitmap_.Fill(0, 0, 0);
  TPictureInfo info;
  if (!pb->Pictures.Peek(0, info)) {
    std::lock_guard lock(pb->TimingMutex);
    if (pb->LastShown) {
      info.Frame.reset(av_frame_clone(pb->LastShown.get()));
      info.PtsSeconds = pb->LastShownPts;
    }
  }
  if (!info.Frame) return CurrentBitmap_;
  positionUs = std::llround(info.PtsSeconds * 1000000.0) - pb->StartTimeUs;
  if (!CurrentConverter_.Convert(info.Frame.get(), CurrentBitmap_)) CurrentBitmap_.SetSize(0, 0);
  return CurrentBitmap_;
}

}  // namespace zanto::player
