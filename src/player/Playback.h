#pragma once
// The record of one playback: everything from opening a file to closing it. Created by Open,
// destroyed after its threads have been joined.
#include <SDL2/SDL.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/FFmpegPtr.h"
#include "player/FileSource.h"
#include "player/PacketQueue.h"
#include "player/PictureQueue.h"
#include "player/SilentAudioOutput.h"
#include "player/SubpictureQueue.h"

namespace zanto::player {

class TCustomPlayer;

constexpr int64_t kNoTimeUs = AV_NOPTS_VALUE;

struct TPlayback {
  TCustomPlayer* Owner = nullptr;
  std::string FileName;
  std::unique_ptr<TFileSource> Source;  // outlives Format, which reads through it
  media::InputFormatPtr Format;

  // Control flags, written by one thread and polled by others.
  std::atomic<bool> AbortRequest{false};
  std::atomic<bool> Paused{false};
  bool LastPaused = false;  // read thread: the value last passed to the demuxer
  std::atomic<int> ReadPauseResult{0};
  std::atomic<bool> DecodeWhilePaused{false};
  std::atomic<bool> SeekDisplayPending{false};
  std::atomic<bool> FlushSeen{false};
  std::atomic<int> OpenWarmup{0};
  bool ReadEndReported = false;  // read thread only
  std::atomic<bool> EndStateSent{false};
  std::atomic<bool> Drained{false};
  std::atomic<bool> Reading{false};
  std::atomic<int> OpenStatus{0};  // 0 opening, 1 open, -1 failed, -2 failed and cleaned up
  bool IsCapture = false;
  bool IsImageSequence = false;

  // SeekMutex guards the seek request.
  std::mutex SeekMutex;
  bool SeekPending = false;
  int SeekFlags = 0;
  int64_t SeekTarget = 0;  // µs, or bytes with the byte flag
  int64_t SeekRel = 0;

  // Set once the read thread has opened the file; read-only afterwards.
  int64_t StartTimeUs = 0;
  int64_t DurationUs = -1;
  std::atomic<int64_t> AudioEndTimeUs{-1};

  // Streams in use (-1: none). Set by the read thread before OpenStatus becomes 1.
  int AudioIndex = -1, VideoIndex = -1, SubtitleIndex = -1;
  AVStream* AudioStream = nullptr;
  AVStream* VideoStream = nullptr;
  int VideoWidth = 0, VideoHeight = 0;  // the video decoder's size at open
  AVStream* SubtitleStream = nullptr;
  media::CodecContextPtr AudioCodec, VideoCodec, SubtitleCodec;
  TPacketQueue AudioQueue, VideoQueue, SubtitleQueue;
  std::thread ReadThread, VideoThread, SubtitleThread;
  TSubpictureQueue Subpictures;

  // Audio output. AudioMutex guards every field below up to the wave ring, shared by the audio
  // callback (SDL's thread) and the clock readers.
  SDL_AudioDeviceID AudioDevice = 0;
  int AudioRate = 0, AudioChannels = 0;
  int HwBufferBytes = 0;
  std::mutex AudioMutex;
  std::vector<uint8_t> AudioBuf;  // converted 16-bit samples
  int AudioBufSize = 0, AudioBufIndex = 0;
  double AudioClock = 0;          // time after the last decoded sample (s)
  int64_t LastCallbackUs = 0;     // when the callback last delivered real sound
  bool AudioSilence = false;      // the current buffer is filler silence
  media::FramePtr AudioFrame;
  media::ResamplerPtr Resampler;
  int ResamplerFormat = -1, ResamplerRate = 0;
  AVChannelLayout ResamplerLayout{};
  // Sound waits (as silence) for the first picture, at most kAudioHoldUs after the audio starts,
  // so a slow video start does not begin with the video already behind.
  std::atomic<bool> FirstPictureQueued{false};
  int64_t AudioHoldUntilUs = 0;
  std::atomic<bool> WaveDisplay{false};
  std::vector<int16_t> WaveRing;
  int WaveWriteIndex = 0;
  int WaveStart = 0;  // play thread: the trigger point last drawn

  // Video timing. TimingMutex guards the fields below (video thread and play thread), and the
  // main thread's pause toggling.
  TPictureQueue Pictures;
  std::mutex TimingMutex;
  double FrameTimer = 0;
  double FrameLastPts = -1;  // < 0: none since the last flush
  double FrameLastDelay = 0;
  double VideoPts = 0;  // time of the next expected picture (video thread)
  double VideoCurrentPts = 0;
  double VideoCurrentPtsDrift = 0;
  int64_t VideoCurrentPos = -1;
  media::FramePtr LastShown;  // the picture on screen
  double LastShownPts = 0;
  std::atomic<float> SkipFrames{1.0f};
  float SkipCounter = 0;  // video thread
  std::atomic<bool> RefreshPending{false};
  int GraphWidth = 0, GraphHeight = 0;  // output size of the filter graph
  AVRational GraphSar{0, 1};
  // Replaces the SDL device without a sound card. Declared last, so that its thread stops
  // before anything its callback reads is destroyed.
  std::unique_ptr<TSilentAudioOutput> SilentOutput;

  ~TPlayback() { av_channel_layout_uninit(&ResamplerLayout); }
};

}  // namespace zanto::player
