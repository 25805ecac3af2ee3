// The transcode loop: choose the input that is furthest behind, read a packet, correct its
// timestamps, decode it and feed every output stream it maps to; flush, trailers, progress.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "engine/FFmpegException.h"
#include "engine/TranscodeHost.h"
#include "engine/Transcoder.h"
#include "media/MediaUtils.h"

namespace zanto::engine {

namespace {

constexpr AVRational kMicroseconds{1, 1000000};

}  // namespace

void TTranscoder::Run() {
  BuildInputStreams();
  CreateOutputs();
  MapStreams();
  for (TOutputStream& ost : OutputStreams_) ConfigureStream(ost);
  // Decoders first: subtitle encoders take their style header from the decoder.
  OpenDecoders();
  OpenEncoders();
  WriteHeaders();
  MappingReport();
  StartWallUs_ = av_gettime_relative();
  LastReportUs_ = StartWallUs_;

  while (!Host_.StopRequested()) {
    Host_.PassPauseGate();
    if (Host_.StopRequested()) break;
    const int fileIndex = ChooseInputFile();
    if (fileIndex < 0) break;
    if (Options_.FileSizeLimitBytes > 0 && FirstOutputSize() >= Options_.FileSizeLimitBytes) break;
    AVFormatContext* ic = Inputs_[fileIndex].Context.get();
    const int ret = av_read_frame(ic, Packet_.get());
    if (ret == AVERROR(EAGAIN)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    if (ret < 0) {
      FileEnded_[fileIndex] = true;
      if (Join_) {
        if (!AdvanceJoinedInput()) break;
        continue;
      }
      if (Options_.Shortest) break;
      continue;
    }
    if (Options_.PacketDump) av_pkt_dump_log2(nullptr, AV_LOG_DEBUG, Packet_.get(), Options_.HexDump,
                                              ic->streams[Packet_->stream_index]);
    const int streamIndex = Packet_->stream_index;
    if (streamIndex >= 0 && streamIndex < static_cast<int>(ic->nb_streams)) {
      TInputStream& ist = InputStreams_[FirstStreamOfFile_[fileIndex] + streamIndex];
      if (!ist.Discard) ProcessPacket(ist, Packet_.get());
    }
    av_packet_unref(Packet_.get());
    const int64_t now = av_gettime_relative();
    if (now - LastReportUs_ > ProgressIntervalUs_) {
      LastReportUs_ = now;
      Report(fileIndex, false);
    }
  }
  av_packet_unref(Packet_.get());

  if (!Host_.StopRequested()) {
    for (TInputStream& ist : InputStreams_)
      if (ist.Decoding && !ist.Flushed) FlushInput(ist);
    FlushOutputs();
  }
  // A stopped run skips draining the codecs (an encoder's look-ahead can hold a second of
  // work): what was written so far gets its trailer and plays.
  WriteTrailers();
  Report(-1, true);
}

bool TTranscoder::AdvanceJoinedInput() {
  // What the decoders of the ended input still hold goes out first.
  for (TInputStream& ist : InputStreams_)
    if (ist.FileIndex == JoinCurrent_ && ist.Decoding && !ist.Flushed) FlushInput(ist);
  double endSec = 0.0;
  for (const TOutputStream& ost : OutputStreams_) endSec = std::max(endSec, ost.OutputTimeSec());
  if (++JoinCurrent_ >= static_cast<int>(Inputs_.size())) return false;
  // The next input starts where the output is.
  Inputs_[JoinCurrent_].TsOffsetUs += std::llrint(endSec * 1e6) + Options_.StartTimeUs;
  for (TInputStream& ist : InputStreams_)
    if (ist.FileIndex == JoinCurrent_) ist.PastRecordingTime = false;
  return true;
}

int TTranscoder::ChooseInputFile() {
  if (Join_) {
    for (const TOutputStream& ost : OutputStreams_)
      if (ost.LimitReached(Options_)) return -1;
    return JoinCurrent_ < static_cast<int>(Inputs_.size()) ? JoinCurrent_ : -1;
  }
  int chosen = -1;
  double best = 1e300;
  for (const TOutputStream& ost : OutputStreams_) {
    if (ost.LimitReached(Options_)) return -1;
    const TInputStream& ist = InputStreams_[ost.Source];
    if (ist.PastRecordingTime || FileEnded_[ist.FileIndex]) continue;
    const double time = Options_.InputSync ? static_cast<double>(ist.PtsUs) / 1e6 : ost.OutputTimeSec();
    if (time < best) {
      best = time;
      chosen = ist.FileIndex;
    }
  }
  return chosen;
}

void TTranscoder::ProcessPacket(TInputStream& ist, AVPacket* packet) {
  TInputFile& file = Inputs_[ist.FileIndex];
  AVStream* st = ist.Stream;
  const AVRational tb = st->time_base;
  const int64_t offset = av_rescale_q(file.TsOffsetUs, kMicroseconds, tb);
  if (packet->dts != AV_NOPTS_VALUE) packet->dts += offset;
  if (packet->pts != AV_NOPTS_VALUE) packet->pts += offset;
  const double scale = Options_.InputTsScale[static_cast<size_t>(ist.FileIndex % kMaxFiles)]
                                            [static_cast<size_t>(ist.StreamIndex % kMaxStreams)];
  if (scale != 1.0 && scale > 0.0) {
    if (packet->dts != AV_NOPTS_VALUE) packet->dts = std::llrint(packet->dts * scale);
    if (packet->pts != AV_NOPTS_VALUE) packet->pts = std::llrint(packet->pts * scale);
  }

  // Formats with timestamp discontinuities (MPEG-TS): a jump moves the file's offset.
  AVFormatContext* ic = file.Context.get();
  if ((ic->iformat->flags & AVFMT_TS_DISCONT) && ist.NextPtsUs != AV_NOPTS_VALUE &&
      packet->dts != AV_NOPTS_VALUE && !Options_.CopyTimestamps) {
    const int64_t dtsUs = av_rescale_q(packet->dts, tb, kMicroseconds);
    const int64_t delta = dtsUs - ist.NextPtsUs;
    if (std::llabs(delta) > static_cast<int64_t>(Options_.DtsDeltaThresholdS * 1e6) ||
        dtsUs + 1 < ist.PtsUs) {
      file.TsOffsetUs -= delta;
      const int64_t shift = av_rescale_q(delta, kMicroseconds, tb);
      packet->dts -= shift;
      if (packet->pts != AV_NOPTS_VALUE) packet->pts -= shift;
      if (Options_.Verbosity > 2)
        Host_.Log(media::llVerbose, FFmpegException::Format("timestamp discontinuity %lld, new offset= %lld",
                                                            static_cast<long long>(delta),
                                                            static_cast<long long>(file.TsOffsetUs)).what());
    }
  }

  // Recording time: this stream is done once a packet starts at or after the end.
  if (Options_.RecordingTimeUs != INT64_MAX && packet->pts != AV_NOPTS_VALUE &&
      av_compare_ts(packet->pts, tb, Options_.RecordingTimeUs + Options_.StartTimeUs, kMicroseconds) >= 0) {
    // Decoders may still hold earlier pictures (B-frames): they come out at the flush.
    ist.PastRecordingTime = true;
    return;
  }

  if (ist.NextPtsUs != AV_NOPTS_VALUE)
    ist.PtsUs = ist.NextPtsUs;
  else if (packet->dts != AV_NOPTS_VALUE)
    ist.NextPtsUs = ist.PtsUs = av_rescale_q(packet->dts, tb, kMicroseconds);

  if (Options_.RateEmulation) {
    // Read no faster than the input plays.
    const int64_t ahead = ist.PtsUs - (av_gettime_relative() - ist.StartWallUs);
    if (ahead > 1000) av_usleep(static_cast<unsigned>(std::min<int64_t>(ahead, 10000000)));
  }

  if (ist.Decoding && st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) {
    DecodeSubtitle(ist, packet);
  } else if (ist.Decoding) {
    int ret = avcodec_send_packet(ist.Decoder.get(), packet);
    if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
      const std::string text = FFmpegException::Format("Error while decoding stream #%d.%d (%s)",
                                                       ist.FileIndex, ist.StreamIndex,
                                                       media::StreamKindName(st->codecpar->codec_type).c_str()).what();
      if (Options_.ExitOnError) throw FFmpegException(text);
      if (Options_.Verbosity >= 0) Host_.Log(media::llVerbose, text);
    }
    while ((ret = avcodec_receive_frame(ist.Decoder.get(), Frame_.get())) >= 0) {
      ProcessFrame(ist, Frame_.get());
      av_frame_unref(Frame_.get());
    }
  } else if (packet->duration > 0) {
    ist.NextPtsUs += av_rescale_q(packet->duration, tb, kMicroseconds);
  }

  for (int o : ist.Outputs) {
    TOutputStream& ost = OutputStreams_[o];
    if (ost.Copy) CopyPacket(ist, ost, packet);
  }
}

void TTranscoder::DecodeSubtitle(TInputStream& ist, AVPacket* packet) {
  AVSubtitle subtitle{};
  int got = 0;
  const int ret = avcodec_decode_subtitle2(ist.Decoder.get(), &subtitle, &got, packet);
  if (ret < 0) {
    const std::string text = FFmpegException::Format("Error while decoding stream #%d.%d (%s)", ist.FileIndex,
                                                     ist.StreamIndex, "Subtitle").what();
    if (Options_.ExitOnError) throw FFmpegException(text);
    if (Options_.Verbosity >= 0) Host_.Log(media::llVerbose, text);
    return;
  }
  if (!got) return;
  // Freed however the writing ends.
  struct Free {
    AVSubtitle* S;
    ~Free() { avsubtitle_free(S); }
  } freeSubtitle{&subtitle};
  const int64_t startUs = subtitle.pts;
  if (startUs != AV_NOPTS_VALUE && startUs < Options_.StartTimeUs) return;
  for (int o : ist.Outputs) {
    TOutputStream& ost = OutputStreams_[o];
    if (ost.Subtitle)
      ost.Subtitle->Write(subtitle, startUs, Options_.StartTimeUs, ost.Writer, Host_, Options_.ExitOnError);
  }
}

void TTranscoder::ProcessFrame(TInputStream& ist, AVFrame* frame) {
  const AVRational tb = ist.Stream->time_base;
  int64_t ptsUs = frame->best_effort_timestamp;
  if (ptsUs == AV_NOPTS_VALUE) ptsUs = frame->pts;
  ptsUs = ptsUs == AV_NOPTS_VALUE ? ist.PtsUs : av_rescale_q(ptsUs, tb, kMicroseconds);
  ist.PtsUs = ptsUs;
  const AVMediaType kind = ist.Stream->codecpar->codec_type;
  int64_t durationUs = 0;
  if (kind == AVMEDIA_TYPE_AUDIO && frame->sample_rate > 0)
    durationUs = av_rescale(frame->nb_samples, 1000000, frame->sample_rate);
  else if (frame->pkt_duration > 0)
    durationUs = av_rescale_q(frame->pkt_duration, tb, kMicroseconds);
  ist.NextPtsUs = ptsUs + durationUs;

  // Before "ss" nothing is written; from "ss" + "t" on this stream is done.
  if (ptsUs < Options_.StartTimeUs) return;
  if (Options_.RecordingTimeUs != INT64_MAX && ptsUs >= Options_.StartTimeUs + Options_.RecordingTimeUs) {
    ist.PastRecordingTime = true;
    return;
  }

  if (kind == AVMEDIA_TYPE_VIDEO) {
    AVFrame* picture = Hook_.Process(frame, ptsUs, Host_);
    if (FrameHooks_ && !Host_.HookAttached() && av_frame_make_writable(picture) >= 0) {
      // The frame-hook libraries work on the picture in place.
      THookPicture hookPicture;
      for (int i = 0; i < 4; ++i) {
        hookPicture.data[i] = picture->data[i];
        hookPicture.linesize[i] = picture->linesize[i];
      }
      FrameHooks_->Process(hookPicture, picture->format, picture->width, picture->height, ptsUs);
    }
    picture->pts = ptsUs;
    for (int o : ist.Outputs) {
      TOutputStream& ost = OutputStreams_[o];
      if (ost.Video) ost.Video->Write(picture, ost.Writer, Host_);
    }
  } else if (kind == AVMEDIA_TYPE_AUDIO) {
    frame->pts = ptsUs;
    for (int o : ist.Outputs) {
      TOutputStream& ost = OutputStreams_[o];
      if (ost.Audio) ost.Audio->Write(frame, ost.Writer, Host_);
    }
  }
}

void TTranscoder::CopyPacket(TInputStream& ist, TOutputStream& ost, const AVPacket* packet) {
  if (!ost.SeenKeyFrame && !(packet->flags & AV_PKT_FLAG_KEY) && !Options_.CopyInitialNonKeyframes)
    return;
  const AVRational inTb = ist.Stream->time_base;
  if (packet->pts != AV_NOPTS_VALUE &&
      av_compare_ts(packet->pts, inTb, Options_.StartTimeUs, kMicroseconds) < 0 && !ost.SeenKeyFrame)
    return;
  ost.SeenKeyFrame = true;
  // One packet per stream, reused: the copy only takes a reference to the data.
  if (!ost.CopyBuffer) ost.CopyBuffer = media::MakePacket();
  AVPacket* copy = ost.CopyBuffer.get();
  if (av_packet_ref(copy, packet) < 0) throw FFmpegException(media::ErrorText(AVERROR(ENOMEM)));
  const AVRational outTb = ost.Stream->time_base;
  const int64_t start = av_rescale_q(Options_.StartTimeUs, kMicroseconds, outTb);
  if (copy->pts != AV_NOPTS_VALUE) copy->pts = av_rescale_q(copy->pts, inTb, outTb) - start;
  copy->dts = copy->dts != AV_NOPTS_VALUE ? av_rescale_q(copy->dts, inTb, outTb) - start
                                          : av_rescale_q(ist.PtsUs, kMicroseconds, outTb) - start;
  copy->duration = av_rescale_q(copy->duration, inTb, outTb);
  ost.CopiedBytes += copy->size;
  ost.CopyTimeSec = static_cast<double>(copy->dts) * av_q2d(outTb);
  ++ost.CopiedFrames;
  ost.Writer.Write(copy, Host_, Options_.ExitOnError);
  av_packet_unref(copy);
}

void TTranscoder::FlushInput(TInputStream& ist) {
  ist.Flushed = true;
  if (!ist.Decoder) return;
  avcodec_send_packet(ist.Decoder.get(), nullptr);
  while (avcodec_receive_frame(ist.Decoder.get(), Frame_.get()) >= 0) {
    ProcessFrame(ist, Frame_.get());
    av_frame_unref(Frame_.get());
  }
}

void TTranscoder::FlushOutputs() {
  for (TOutputStream& ost : OutputStreams_) {
    if (ost.Video) ost.Video->Flush(ost.Writer, Host_);
    if (ost.Audio) ost.Audio->Flush(ost.Writer, Host_);
    ost.Writer.Flush(Host_, Options_.ExitOnError);
  }
}

void TTranscoder::WriteTrailers() {
  if (TrailersWritten_) return;
  TrailersWritten_ = true;
  std::string failure;
  for (TOutputContext& out : OutputContexts_) {
    if (!out.HeaderWritten) continue;
    int ret = av_write_trailer(out.Context.get());
    // A full disk shows only when the buffered bytes are flushed: the file is complete only
    // when nothing failed on the way.
    if (AVIOContext* pb = out.Context->pb) {
      avio_flush(pb);
      if (ret >= 0 && pb->error < 0) ret = pb->error;
    }
    if (ret < 0) {
      const std::string message = media::ErrorMessage(out.File->FileName, ret);
      Host_.Log(media::llError, message);
      if (failure.empty()) failure = message;
    } else {
      out.Complete = true;
    }
  }
  if (!failure.empty()) throw FFmpegException(failure);
}

int64_t TTranscoder::FirstOutputSize() const {
  if (OutputContexts_.empty() || !OutputContexts_[0].Context || !OutputContexts_[0].Context->pb) return 0;
  AVIOContext* pb = OutputContexts_[0].Context->pb;
  const int64_t size = avio_size(pb);
  return size > 0 ? size : avio_tell(pb);
}

void TTranscoder::Report(int fileIndex, bool last) {
  if (last && !OutputContexts_.empty() && OutputContexts_[0].Context && OutputContexts_[0].Context->pb)
    avio_flush(OutputContexts_[0].Context->pb);
  const int64_t size = FirstOutputSize();
  const double elapsed = static_cast<double>(av_gettime_relative() - StartWallUs_) / 1e6;
  TProgressInfo info;
  info.FileIndex = fileIndex;
  info.TotalDuration = TotalDurationUs_;
  info.FrameNumber = -1;
  info.FPS = -1;
  info.Quality = -1.0f;
  std::string line;
  bool firstVideo = true;
  bool status = false;
  int64_t duplicated = 0, dropped = 0;
  for (TOutputStream& ost : OutputStreams_) {
    if (ost.Request->Kind != AVMEDIA_TYPE_VIDEO) continue;
    const int64_t frames = ost.Video ? ost.Video->FrameNumber() : ost.CopiedFrames;
    const float quality = ost.Video ? ost.Video->Quality() : -1.0f;
    if (firstVideo) {
      // Nothing to tell before the first picture is out.
      if (frames < 1) return;
      firstVideo = false;
      info.FrameNumber = static_cast<int>(frames);
      info.FPS = elapsed > 1.0 ? static_cast<int>(std::lround(frames / elapsed)) : 0;
      info.Quality = quality;
      line += FFmpegException::Format("frame=%5d fps=%3d q=%3.1f ", info.FrameNumber, info.FPS,
                                      static_cast<double>(quality)).what();
      if (last) line += "L";
    } else {
      line += FFmpegException::Format("q=%2.1f ", static_cast<double>(quality)).what();
    }
    if (ost.Video) {
      duplicated += ost.Video->FramesDuplicated();
      dropped += ost.Video->FramesDropped();
      status |= ost.Video->TakeStatusFlag();
    }
  }
  double outputTime = 1e10;
  for (const TOutputStream& ost : OutputStreams_) {
    const double t = ost.OutputTimeSec();
    if (t > 0 && t < outputTime) outputTime = t;
  }
  if (outputTime >= 1e10) outputTime = 0.0;
  outputTime = std::max(outputTime, 0.01);
  const double bitRate = static_cast<double>(size) * 8.0 / outputTime / 1000.0;
  line += FFmpegException::Format("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s",
                                  static_cast<double>(size) / 1024.0, outputTime, bitRate).what();
  if (duplicated || dropped)
    line += FFmpegException::Format(" dup=%lld drop=%lld", static_cast<long long>(duplicated),
                                    static_cast<long long>(dropped)).what();
  info.CurrentSize = size;
  info.BitRate = static_cast<float>(bitRate);
  info.CurrentDuration = std::llrint(outputTime * 1e6);
  if (Host_.HasProgressHandler()) {
    if (status && Options_.Verbosity >= 0) Host_.Log(media::llVerbose, line);
    Host_.DeliverProgress(info);
  } else if (Options_.Verbosity >= 0) {
    Host_.Log(media::llVerbose, line);
  }
  if (last && Options_.Verbosity >= 0) {
    int64_t video = 0, audio = 0, headers = 0;
    for (const TOutputStream& ost : OutputStreams_) {
      if (ost.Video && ost.Video->Encoder()) headers += ost.Video->Encoder()->extradata_size;
      if (ost.Audio && ost.Audio->Encoder()) headers += ost.Audio->Encoder()->extradata_size;
      if (ost.Video) video += ost.Video->EncodedBytes();
      else if (ost.Audio) audio += ost.Audio->EncodedBytes();
      else if (ost.Request->Kind == AVMEDIA_TYPE_VIDEO) video += ost.CopiedBytes;
      else audio += ost.CopiedBytes;
    }
    const double payload = static_cast<double>(video + audio + headers);
    const double overhead = payload > 0 ? 100.0 * (static_cast<double>(size) - payload) / payload : 0.0;
    Host_.Log(media::llVerbose, FFmpegException::Format(
                                    "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
                                    video / 1024.0, audio / 1024.0, headers / 1024.0, overhead).what());
  }
}

}  // namespace zanto::engine
