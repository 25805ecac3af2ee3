// Audio output: the SDL device, decoding inside its callback, conversion to 16-bit samples,
// volume and mute, and the audio clock.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "player/AudioMix.h"
#include "player/DisplayGeometry.h"
#include "player/Playback.h"
#include "player/PreviewPlayer.h"

namespace zanto::player {

namespace {
constexpr int kSilenceBytes = 1024;
constexpr int kSamplesPerCallback = 1024;
constexpr int64_t kAudioHoldUs = 1000000;
}  // namespace

void MixAudioBlock(uint8_t* out, const uint8_t* in, int len, bool mute, int volume) {
  // SDL does not clear the buffer: every byte is written.
  std::memset(out, 0, static_cast<size_t>(len));
  if (in && !mute && volume > 0)
    SDL_MixAudioFormat(out, in, AUDIO_S16SYS, static_cast<Uint32>(len),
                       std::min(volume, SDL_MIX_MAXVOLUME));
}

bool TCustomPlayer::OpenAudioDevice(TPlayback& pb) {
  AVCodecContext* dec = pb.AudioCodec.get();
  const int channels = dec->ch_layout.nb_channels;
  SDL_AudioSpec want{}, have{};
  want.freq = dec->sample_rate;
  want.format = AUDIO_S16SYS;
  // Mono and stereo stay as they are; anything wider is mixed down to stereo.
  want.channels = static_cast<Uint8>(channels == 1 || channels == 2 ? channels : 2);
  want.silence = 0;
  want.samples = kSamplesPerCallback;
  want.callback = &TCustomPlayer::AudioCallback;
  want.userdata = &pb;
  if (want.freq <= 0) {
    Log(media::llError, "SDL_OpenAudio() failed: invalid sample rate");
    return false;
  }
  SDL_AudioDeviceID device = 0;
  if (!UsingSilentDriver()) {
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
      // No usable sound card: play on silently at the real rate so the clocks keep working.
      Log(media::llWarning, std::string("no audio device could be opened (") + SDL_GetError() +
                                "); playing on with the silent \"dummy\" audio driver");
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
      if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        Log(media::llError, std::string("SDL_OpenAudio() failed: ") + SDL_GetError());
        return false;
      }
    }
  }
  if (device == 0) {
    // SDL's dummy device keeps poor time; this output asks for samples at the real rate.
    pb.SilentOutput = std::make_unique<TSilentAudioOutput>(&TCustomPlayer::AudioCallback, &pb,
                                                           want.samples, 2 * want.channels,
                                                           want.freq);
    have = want;
    have.size = static_cast<Uint32>(pb.SilentOutput->BufferBytes());
  }
  pb.AudioDevice = device;
  pb.AudioRate = have.freq;
  pb.AudioChannels = have.channels;
  pb.HwBufferBytes = static_cast<int>(have.size);
  pb.AudioBuf.assign(288000, 0);
  pb.AudioBufSize = pb.AudioBufIndex = 0;
  pb.AudioFrame = media::MakeFrame();
  pb.WaveRing.assign(kWaveRingSize, 0);
  return true;
}

bool TCustomPlayer::UsingSilentDriver() {
  const char* name = SDL_GetCurrentAudioDriver();
  return name && std::strcmp(name, "dummy") == 0;
}

void TCustomPlayer::StartAudioOutput(TPlayback& pb) {
  if (pb.SilentOutput)
    pb.SilentOutput->Start();
  else if (pb.AudioDevice)
    SDL_PauseAudioDevice(pb.AudioDevice, 0);
}

// Decodes the next block of audio into AudioBuf as 16-bit samples. Returns its size in bytes,
// or -1 when paused, closing or out of packets (the callback then plays silence).
int TCustomPlayer::DecodeAudio(TPlayback& pb) {
  AVCodecContext* dec = pb.AudioCodec.get();
  AVFrame* frame = pb.AudioFrame.get();
  if (pb.VideoIndex >= 0 && !pb.FirstPictureQueued) {
    const int64_t now = av_gettime();
    if (pb.AudioHoldUntilUs == 0) pb.AudioHoldUntilUs = now + kAudioHoldUs;
    if (now < pb.AudioHoldUntilUs) return -1;
  }
  for (int guard = 0; guard < 64; ++guard) {
    if (pb.Paused || pb.AbortRequest) return -1;
    int ret = avcodec_receive_frame(dec, frame);
    if (ret >= 0) {
      if (frame->format != pb.ResamplerFormat || frame->sample_rate != pb.ResamplerRate ||
          av_channel_layout_compare(&frame->ch_layout, &pb.ResamplerLayout) != 0 || !pb.Resampler) {
        AVChannelLayout inLayout{}, outLayout{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
          av_channel_layout_default(&inLayout, frame->ch_layout.nb_channels);
        else
          av_channel_layout_copy(&inLayout, &frame->ch_layout);
        av_channel_layout_default(&outLayout, pb.AudioChannels);
        SwrContext* swr = nullptr;
        int err = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, pb.AudioRate, &inLayout,
                                      static_cast<AVSampleFormat>(frame->format), frame->sample_rate,
                                      0, nullptr);
        pb.Resampler.reset(swr);
        if (err >= 0) err = swr_init(swr);
        av_channel_layout_uninit(&inLayout);
        av_channel_layout_uninit(&outLayout);
        if (err < 0) {
          const char* from = av_get_sample_fmt_name(static_cast<AVSampleFormat>(frame->format));
          media::GetLogger().LogMessageFmt(this, media::llError,
                                           "Cannot convert %s sample format to %s sample format",
                                           from ? from : "unknown", "s16");
          pb.Resampler.reset();
          av_frame_unref(frame);
          continue;
        }
        pb.ResamplerFormat = frame->format;
        pb.ResamplerRate = frame->sample_rate;
        av_channel_layout_uninit(&pb.ResamplerLayout);
        av_channel_layout_copy(&pb.ResamplerLayout, &frame->ch_layout);
      }
      const int bytesPerFrame = 2 * pb.AudioChannels;
      const int capacity = swr_get_out_samples(pb.Resampler.get(), frame->nb_samples);
      if (capacity > 0 && static_cast<size_t>(capacity) * bytesPerFrame > pb.AudioBuf.size())
        pb.AudioBuf.resize(static_cast<size_t>(capacity) * bytesPerFrame);
      uint8_t* out[1] = {pb.AudioBuf.data()};
      const int produced =
          swr_convert(pb.Resampler.get(), out, static_cast<int>(pb.AudioBuf.size() / bytesPerFrame),
                      const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
      const int64_t pts = frame->best_effort_timestamp;
      av_frame_unref(frame);
      if (produced < 0) {
        Log(media::llError, "av_audio_convert() failed");
        continue;
      }
      if (pts != AV_NOPTS_VALUE) pb.AudioClock = pts * av_q2d(pb.AudioStream->time_base);
      pb.AudioClock += static_cast<double>(produced) / pb.AudioRate;
      if (produced == 0) continue;
      return produced * bytesPerFrame;
    }
    if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
      Log(media::llInfo, "avcodec_decode_audio2() failed");
      return -1;
    }
    TQueuedPacket item;
    if (pb.AudioQueue.Get(item, false) <= 0) return -1;
    if (item.Flush) {
      avcodec_flush_buffers(dec);
      continue;
    }
    if (item.IsEmpty()) continue;
    ret = avcodec_send_packet(dec, item.Packet.get());
    if (ret < 0 && ret != AVERROR(EAGAIN)) Log(media::llInfo, "avcodec_decode_audio2() failed");
  }
  return -1;
}

void TCustomPlayer::AudioCallback(void* userdata, uint8_t* stream, int len) {
  TPlayback& pb = *static_cast<TPlayback*>(userdata);
  TCustomPlayer& self = *pb.Owner;
  std::lock_guard lock(pb.AudioMutex);
  bool delivered = false;
  while (len > 0) {
    if (pb.AudioBufIndex >= pb.AudioBufSize) {
      if (pb.AudioQueue.Aborted()) {
        std::memset(stream, 0, len);
        return;
      }
      const int size = self.DecodeAudio(pb);
      if (size < 0) {
        std::memset(pb.AudioBuf.data(), 0, kSilenceBytes);
        pb.AudioBufSize = kSilenceBytes;
        pb.AudioSilence = true;
      } else {
        pb.AudioBufSize = size;
        pb.AudioSilence = false;
        if (pb.WaveDisplay) {
          const auto* samples = reinterpret_cast<const int16_t*>(pb.AudioBuf.data());
          for (int i = 0; i < size / 2; ++i) {
            pb.WaveRing[pb.WaveWriteIndex] = samples[i];
            pb.WaveWriteIndex = (pb.WaveWriteIndex + 1) % kWaveRingSize;
          }
        }
      }
      pb.AudioBufIndex = 0;
    }
    const int chunk = std::min(len, pb.AudioBufSize - pb.AudioBufIndex);
    if (!pb.AudioSilence) delivered = true;
    MixAudioBlock(stream, pb.AudioSilence ? nullptr : pb.AudioBuf.data() + pb.AudioBufIndex, chunk,
                  self.Mute_, self.AudioVolume_);
    len -= chunk;
    stream += chunk;
    pb.AudioBufIndex += chunk;
  }
  if (delivered) pb.LastCallbackUs = av_gettime();
}

// The time of the sound being heard: the time after the last decoded sample, less what has not
// been handed to the device and what the device still holds, running on between callbacks.
double TCustomPlayer::AudioClockOf(TPlayback& pb) const {
  if (pb.AudioIndex < 0 || pb.AudioRate <= 0) return std::nan("");
  std::lock_guard lock(pb.AudioMutex);
  const double bytesPerSecond = 2.0 * pb.AudioChannels * pb.AudioRate;
  double clock = pb.AudioClock;
  if (!pb.AudioSilence) clock -= (pb.AudioBufSize - pb.AudioBufIndex) / bytesPerSecond;
  if (pb.LastCallbackUs > 0) {
    const double device = pb.HwBufferBytes / bytesPerSecond;
    const double elapsed = (av_gettime() - pb.LastCallbackUs) / 1000000.0;
    clock += std::min(elapsed, device) - device;
  }
  return clock;
}

double TCustomPlayer::AudioClockSeconds() const {
  auto pb = CurrentPlayback();
  return pb ? AudioClockOf(*pb) : std::nan("");
}

}  // namespace zanto::player
