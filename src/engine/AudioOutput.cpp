#include "engine/AudioOutput.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/CodecSetup.h"
#include "engine/FFmpegException.h"
#include "engine/PacketWriter.h"
#include "engine/TranscodeHost.h"
#include "media/MediaUtils.h"

namespace zanto::engine {

namespace {

// Frames handed to encoders that take any size (PCM).
constexpr int kVariableFrameSamples = 4096;

template <typename T>
void Scale(T* samples, size_t count, int volume, double low, double high) {
  for (size_t i = 0; i < count; ++i) {
    const double value = static_cast<double>(samples[i]) * volume / 256.0;
    samples[i] = static_cast<T>(std::clamp(value, low, high));
  }
}

}  // namespace

TAudioOutput::~TAudioOutput() {
  if (Buffer_) av_freep(&Buffer_[0]);
  av_freep(&Buffer_);
  av_channel_layout_uninit(&ResamplerInLayout_);
}

void TAudioOutput::Configure(const TAudioOutputSetup& setup, ITranscodeHost& host) {
  Setup_ = setup;
  const TStreamRequest& request = *setup.Request;
  Codec_ = request.Encoder;
  Encoder_.reset(avcodec_alloc_context3(Codec_));
  if (!Encoder_) throw FFmpegException(media::ErrorText(AVERROR(ENOMEM)));
  AVCodecContext* enc = Encoder_.get();

  const AVCodecParameters* par = setup.Source->codecpar;
  const int srcRate = setup.Decoder && setup.Decoder->sample_rate ? setup.Decoder->sample_rate
                                                                   : par->sample_rate;
  const int srcChannels = setup.Decoder && setup.Decoder->ch_layout.nb_channels
                              ? setup.Decoder->ch_layout.nb_channels
                              : par->ch_layout.nb_channels;
  const AVSampleFormat srcFormat = setup.Decoder && setup.Decoder->sample_fmt != AV_SAMPLE_FMT_NONE
                                       ? setup.Decoder->sample_fmt
                                       : static_cast<AVSampleFormat>(par->format);

  // Sample rate: the closest the encoder supports (the first on a tie).
  int rate = request.SampleRate > 0 ? request.SampleRate : srcRate;
  if (rate <= 0) rate = 44100;
  if (const int* rates = Codec_->supported_samplerates) {
    int best = rates[0];
    for (const int* r = rates; *r; ++r)
      if (std::abs(*r - rate) < std::abs(best - rate)) best = *r;
    if (best != rate)
      host.Log(media::llWarning,
               FFmpegException::Format("Requested sampling rate unsupported using closest supported (%d)", best).what());
    rate = best;
  }

  // Channels: the requested count in a layout the encoder knows; when it knows none with that
  // count, the largest it has below it (a stereo-only encoder gets a stereo downmix).
  int channels = request.Channels > 0 ? request.Channels : srcChannels;
  if (channels <= 0) channels = 2;
  AVChannelLayout layout{};
  av_channel_layout_default(&layout, channels);
  if (const AVChannelLayout* layouts = Codec_->ch_layouts) {
    const AVChannelLayout* match = nullptr;
    const AVChannelLayout* below = nullptr;
    for (const AVChannelLayout* l = layouts; l->nb_channels; ++l) {
      if (l->nb_channels == channels && !match) match = l;
      if (l->nb_channels < channels && (!below || l->nb_channels > below->nb_channels)) below = l;
    }
    const AVChannelLayout* chosen = match ? match : below ? below : layouts;
    av_channel_layout_uninit(&layout);
    av_channel_layout_copy(&layout, chosen);
  }
  av_channel_layout_copy(&enc->ch_layout, &layout);
  av_channel_layout_uninit(&layout);

  AVSampleFormat format = request.SampleFormat != AV_SAMPLE_FMT_NONE ? request.SampleFormat : srcFormat;
  if (const AVSampleFormat* formats = Codec_->sample_fmts) {
    bool listed = false;
    for (const AVSampleFormat* f = formats; *f != AV_SAMPLE_FMT_NONE; ++f) listed |= *f == format;
    if (!listed) format = formats[0];
  }
  if (format == AV_SAMPLE_FMT_NONE) format = AV_SAMPLE_FMT_S16;
  enc->sample_fmt = format;
  enc->sample_rate = rate;
  enc->time_base = AVRational{1, rate};
  enc->thread_count = request.ThreadCount;
  enc->strict_std_compliance = request.Strictness;
  if (request.GlobalHeader) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  ApplyCodecSettings(request.GenericSettings, AVMEDIA_TYPE_AUDIO, enc, true);
  if (request.AudioQScale > -99999.0f) {
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = static_cast<int>(std::lround(FF_QP2LAMBDA * request.AudioQScale));
  }
  if (request.CodecTag) enc->codec_tag = request.CodecTag;
}

int TAudioOutput::Open() {
  AVCodecContext* enc = Encoder_.get();
  int ret = OpenCodecLocked(enc, Codec_);
  if (ret < 0) return ret;
  avcodec_parameters_from_context(Setup_.Stream->codecpar, enc);
  Setup_.Stream->time_base = enc->time_base;
  const bool variable = (Codec_->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || enc->frame_size <= 1;
  FrameSize_ = variable ? 0 : enc->frame_size;
  Fifo_.reset(av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 8192));
  if (!Fifo_) return AVERROR(ENOMEM);
  AVFrame* frame = EncodeFrame_.get();
  frame->format = enc->sample_fmt;
  frame->sample_rate = enc->sample_rate;
  av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
  frame->nb_samples = FrameSize_ > 0 ? FrameSize_ : kVariableFrameSamples;
  return av_frame_get_buffer(frame, 0);
}

double TAudioOutput::OutputTimeSec() const {
  return Encoder_ && Encoder_->sample_rate > 0
             ? static_cast<double>(SampleCounter_) / Encoder_->sample_rate
             : 0.0;
}

void TAudioOutput::EnsureResampler(const AVFrame* block) {
  AVChannelLayout inLayout{};
  if (block->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || block->ch_layout.nb_channels == 0)
    av_channel_layout_default(&inLayout, std::max(1, block->ch_layout.nb_channels));
  else
    av_channel_layout_copy(&inLayout, &block->ch_layout);
  const auto inFormat = static_cast<AVSampleFormat>(block->format);
  const bool same = Resampler_ && ResamplerInRate_ == block->sample_rate &&
                    ResamplerInFormat_ == inFormat &&
                    av_channel_layout_compare(&ResamplerInLayout_, &inLayout) == 0;
  if (same) {
    av_channel_layout_uninit(&inLayout);
    return;
  }
  const AVCodecContext* enc = Encoder_.get();
  SwrContext* swr = nullptr;
  AVChannelLayout outLayout{};
  av_channel_layout_copy(&outLayout, &enc->ch_layout);
  int ret = swr_alloc_set_opts2(&swr, &outLayout, enc->sample_fmt, enc->sample_rate,
                                &inLayout, inFormat, block->sample_rate, 0, nullptr);
  av_channel_layout_uninit(&outLayout);
  if (ret >= 0) {
    // Drift compensation ("async" > 1) needs the resampler to accept compensation.
    if (Setup_.Request->AudioSync > 1) av_opt_set_double(swr, "min_comp", 0.001, 0);
    ret = swr_init(swr);
  }
  if (ret < 0) {
    swr_free(&swr);
    const int inChannels = inLayout.nb_channels;
    av_channel_layout_uninit(&inLayout);
    throw FFmpegException::Format("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                  inChannels, block->sample_rate, enc->ch_layout.nb_channels,
                                  enc->sample_rate);
  }
  // A mid-stream change: what the old resampler still holds is dropped with it.
  Resampler_.reset(swr);
  av_channel_layout_uninit(&ResamplerInLayout_);
  ResamplerInLayout_ = inLayout;
  ResamplerInRate_ = block->sample_rate;
  ResamplerInFormat_ = inFormat;
}

void TAudioOutput::GrowBuffer(int samples) {
  if (samples <= BufferSamples_) return;
  if (Buffer_) av_freep(&Buffer_[0]);
  av_freep(&Buffer_);
  const AVCodecContext* enc = Encoder_.get();
  // Some headroom, so the buffer is grown rarely.
  const int capacity = samples + samples / 2;
  if (av_samples_alloc_array_and_samples(&Buffer_, nullptr, enc->ch_layout.nb_channels, capacity,
                                         enc->sample_fmt, 0) < 0)
    throw FFmpegException("Out of memory in do_audio_out");
  BufferSamples_ = capacity;
}

void TAudioOutput::ApplyVolume(uint8_t** data, int samples) const {
  const int volume = Setup_.Request->Volume;
  if (volume == 256 || samples <= 0) return;
  const AVCodecContext* enc = Encoder_.get();
  const bool planar = av_sample_fmt_is_planar(enc->sample_fmt);
  const int planes = planar ? enc->ch_layout.nb_channels : 1;
  const size_t count = static_cast<size_t>(samples) * (planar ? 1 : enc->ch_layout.nb_channels);
  for (int p = 0; p < planes; ++p) {
    switch (av_get_packed_sample_fmt(enc->sample_fmt)) {
      case AV_SAMPLE_FMT_S16:
        Scale(reinterpret_cast<int16_t*>(data[p]), count, volume, -32768.0, 32767.0);
        break;
      case AV_SAMPLE_FMT_S32:
        Scale(reinterpret_cast<int32_t*>(data[p]), count, volume, -2147483648.0, 2147483647.0);
        break;
      case AV_SAMPLE_FMT_FLT:
        Scale(reinterpret_cast<float*>(data[p]), count, volume, -1e30, 1e30);
        break;
      case AV_SAMPLE_FMT_DBL:
        Scale(reinterpret_cast<double*>(data[p]), count, volume, -1e300, 1e300);
        break;
      default:
        break;
    }
  }
}

void TAudioOutput::Write(const AVFrame* block, TPacketWriter& writer, ITranscodeHost& host) {
  if (Flushed_ || LimitReached() || block->nb_samples <= 0) return;
  const AVCodecContext* enc = Encoder_.get();
  EnsureResampler(block);
  if (!Started_) {
    Started_ = true;
    const int64_t ptsUs = block->pts == AV_NOPTS_VALUE ? Setup_.StartTimeUs : block->pts;
    const int64_t startSample = std::max<int64_t>(
        0, av_rescale(ptsUs - Setup_.StartTimeUs, enc->sample_rate, 1000000));
    if (Setup_.Request->AudioSync != 0 && startSample > 50) {
      // With "async" the stream starts at 0: silence fills the time before the first block.
      const int silence = static_cast<int>(std::min<int64_t>(startSample, int64_t{enc->sample_rate} * 60));
      GrowBuffer(silence);
      av_samples_set_silence(Buffer_, 0, silence, enc->ch_layout.nb_channels, enc->sample_fmt);
      av_audio_fifo_write(Fifo_.get(), reinterpret_cast<void**>(Buffer_), silence);
      if (Setup_.Verbosity > 2)
        host.Log(media::llVerbose, FFmpegException::Format("adding %d audio samples of silence", silence).what());
      SampleCounter_ = 0;
    } else {
      // Output time follows the input: the first block sets the sample counter.
      SampleCounter_ = startSample;
    }
  }
  if (Setup_.Request->AudioSync > 1 && block->pts != AV_NOPTS_VALUE) {
    // Drift: stretch or squeeze by at most "async" samples per second of output.
    const double expected = static_cast<double>(block->pts - Setup_.StartTimeUs) / 1e6 * enc->sample_rate;
    const double queued = static_cast<double>(SampleCounter_ + av_audio_fifo_size(Fifo_.get())) +
                          static_cast<double>(swr_get_delay(Resampler_.get(), enc->sample_rate));
    const double delta = expected - queued;
    if (std::fabs(delta) > 50) {
      const int limit = Setup_.Request->AudioSync;
      const int compensation = static_cast<int>(std::clamp(delta, -double(limit), double(limit)));
      swr_set_compensation(Resampler_.get(), compensation, enc->sample_rate);
      if (Setup_.Verbosity > 2)
        host.Log(media::llVerbose, FFmpegException::Format(
                                       "compensating audio timestamp drift:%f compensation:%d in:%d",
                                       delta, compensation, enc->sample_rate).what());
    }
  }
  const int capacity = swr_get_out_samples(Resampler_.get(), block->nb_samples);
  GrowBuffer(std::max(capacity, 1));
  const int converted = swr_convert(Resampler_.get(), Buffer_, BufferSamples_,
                                    const_cast<const uint8_t**>(block->extended_data),
                                    block->nb_samples);
  if (converted < 0) {
    host.Log(media::llError, "av_audio_convert() failed");
    return;
  }
  ApplyVolume(Buffer_, converted);
  if (av_audio_fifo_write(Fifo_.get(), reinterpret_cast<void**>(Buffer_), converted) < converted)
    throw FFmpegException("av_fifo_realloc2() failed");
  EncodeFromFifo(false, writer, host);
}

void TAudioOutput::EncodeFromFifo(bool final, TPacketWriter& writer, ITranscodeHost& host) {
  AVCodecContext* enc = Encoder_.get();
  const int capacity = FrameSize_ > 0 ? FrameSize_ : kVariableFrameSamples;
  const bool shortLastFrame = Codec_->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
  AVFrame* frame = EncodeFrame_.get();
  while (!LimitReached()) {
    const int available = av_audio_fifo_size(Fifo_.get());
    if (available <= 0) break;
    if (FrameSize_ > 0 && available < FrameSize_ && !final) break;
    const int take = std::min(available, capacity);
    frame->nb_samples = capacity;  // make_writable reallocates at the current size
    if (av_frame_make_writable(frame) < 0) throw FFmpegException("Out of memory in do_audio_out");
    av_audio_fifo_read(Fifo_.get(), reinterpret_cast<void**>(frame->data), take);
    int count = take;
    if (FrameSize_ > 0 && take < FrameSize_ && !shortLastFrame) {
      // The encoder takes only whole frames: the last one is padded with silence.
      av_samples_set_silence(frame->data, take, FrameSize_ - take, enc->ch_layout.nb_channels,
                             enc->sample_fmt);
      count = FrameSize_;
    }
    frame->nb_samples = count;
    frame->pts = SampleCounter_;
    SampleCounter_ += count;
    ++FrameNumber_;
    SendToEncoder(frame, writer, host);
  }
}

void TAudioOutput::SendToEncoder(AVFrame* frame, TPacketWriter& writer, ITranscodeHost& host) {
  AVCodecContext* enc = Encoder_.get();
  int ret = avcodec_send_frame(enc, frame);
  if (ret < 0 && ret != AVERROR_EOF) throw FFmpegException("Audio encoding failed");
  while (true) {
    ret = avcodec_receive_packet(enc, Packet_.get());
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) break;
    if (ret < 0) throw FFmpegException("Audio encoding failed");
    EncodedBytes_ += Packet_->size;
    av_packet_rescale_ts(Packet_.get(), enc->time_base, Setup_.Stream->time_base);
    writer.Write(Packet_.get(), host, false);
    av_packet_unref(Packet_.get());
  }
}

void TAudioOutput::Flush(TPacketWriter& writer, ITranscodeHost& host) {
  if (Flushed_ || !Encoder_ || !Fifo_) return;
  Flushed_ = true;
  if (Resampler_) {
    // What the resampler still holds (its filter delay) goes out first.
    while (true) {
      GrowBuffer(4096);
      const int n = swr_convert(Resampler_.get(), Buffer_, BufferSamples_, nullptr, 0);
      if (n <= 0) break;
      ApplyVolume(Buffer_, n);
      av_audio_fifo_write(Fifo_.get(), reinterpret_cast<void**>(Buffer_), n);
    }
  }
  EncodeFromFifo(true, writer, host);
  SendToEncoder(nullptr, writer, host);
}

}  // namespace zanto::engine
