// The read thread: opens the file, chooses and opens the streams, then feeds the packet queues
// until the playback is aborted, carrying out seeks on the way.
#include <thread>

#include "media/CodecLock.h"
#include "player/Playback.h"
#include "player/PreviewPlayer.h"

namespace zanto::player {

namespace {

using namespace std::chrono_literals;

constexpr int64_t kMaxQueuedBytes = 15728640;
constexpr int64_t kMaxAudioQueueBytes = 327680;
constexpr int kMinVideoPackets = 5;

// Lets the library give up a blocking read as soon as the playback is being closed.
int InterruptCallback(void* opaque) {
  return static_cast<TPlayback*>(opaque)->AbortRequest.load() ? 1 : 0;
}

void Sleep(std::chrono::milliseconds ms) { std::this_thread::sleep_for(ms); }

}  // namespace

void TCustomPlayer::ReadThreadMain(TPlayback* pb) {
  if (OpenInput(*pb)) {
    pb->OpenStatus = 1;
    ReadLoop(*pb);
    // After an end or an error the playback stays open until it is stopped.
    while (!pb->AbortRequest) Sleep(20ms);
  }
  const bool failed = pb->OpenStatus != 1;
  if (failed) pb->OpenStatus = -1;
  CloseComponents(*pb);
  pb->Format.reset();
  pb->Source.reset();
  if (failed) pb->OpenStatus = -2;
}

bool TCustomPlayer::OpenInput(TPlayback& pb) {
  AVFormatContext* ctx = avformat_alloc_context();
  if (!ctx) {
    Fail("av_mallocz() failed.");
    return false;
  }
  ctx->interrupt_callback.callback = InterruptCallback;
  ctx->interrupt_callback.opaque = &pb;
  AVDictionary* rawOptions = nullptr;
  if (FrameWidth > 0 && FrameHeight > 0)
    av_dict_set(&rawOptions, "video_size",
                (std::to_string(FrameWidth) + "x" + std::to_string(FrameHeight)).c_str(), 0);
  int sourceError = 0;
  pb.Source = TFileSource::Open(pb.FileName, pb.AbortRequest, sourceError);
  if (sourceError < 0) {
    avformat_free_context(ctx);
    Fail(media::ErrorMessage(pb.FileName, sourceError), false);
    return false;
  }
  if (pb.Source) {
    ctx->pb = pb.Source->Context();
    ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
  }
  media::DictionaryPtr options(rawOptions);
  rawOptions = options.release();
  const int err = avformat_open_input(&ctx, pb.FileName.c_str(), nullptr, &rawOptions);
  options.reset(rawOptions);
  if (err < 0) {  // the library freed the context
    Fail(media::ErrorMessage(pb.FileName, err), false);
    return false;
  }
  pb.Format.reset(ctx);
  int infoResult;
  {
    std::lock_guard lock(media::CodecLock());
    infoResult = avformat_find_stream_info(ctx, nullptr);
  }
  if (infoResult < 0) {
    Fail(pb.FileName + ": could not find codec parameters", false);
    return false;
  }
  if (ctx->pb) ctx->pb->eof_reached = 0;
  const std::string formatName = ctx->iformat ? ctx->iformat->name : "";
  pb.IsImageSequence = formatName == "image2";
  pb.IsCapture = formatName == "video4linux2,v4l2" || formatName == "vfwcap";
  if (ctx->start_time != AV_NOPTS_VALUE) pb.StartTimeUs = ctx->start_time;
  pb.DurationUs = ctx->duration != AV_NOPTS_VALUE ? ctx->duration : -1;

  // The best stream of each kind; the library weighs the same evidence (frames seen while
  // probing) and keeps the first of equals.
  for (unsigned i = 0; i < ctx->nb_streams; ++i) ctx->streams[i]->discard = AVDISCARD_ALL;
  int audio = -1, video = -1, subtitle = -1;
  if (!DisableVideo) video = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (!DisableAudio) audio = av_find_best_stream(ctx, AVMEDIA_TYPE_AUDIO, -1, video, nullptr, 0);
  if (!DisableVideo) subtitle = av_find_best_stream(ctx, AVMEDIA_TYPE_SUBTITLE, -1, video, nullptr, 0);
  if (video >= 0 && (ctx->streams[video]->disposition & AV_DISPOSITION_ATTACHED_PIC)) video = -1;
  if (audio >= 0) OpenComponent(pb, audio);
  if (video >= 0) OpenComponent(pb, video);
  if (subtitle >= 0 && pb.VideoIndex >= 0) OpenComponent(pb, subtitle);
  // Sound starts once every stream is open: the audio callback reads which streams play.
  if (pb.AudioIndex >= 0) StartAudioOutput(pb);

  if (pb.AudioIndex < 0 && pb.VideoIndex < 0) {
    Fail(pb.FileName + ": could not open codecs, no stream to play.", false);
    return false;
  }
  return true;
}

void TCustomPlayer::ReadLoop(TPlayback& pb) {
  AVFormatContext* ctx = pb.Format.get();
  media::PacketPtr packet = media::MakePacket();
  bool eof = false;
  while (!pb.AbortRequest) {
    if (pb.Paused != pb.LastPaused) {
      pb.LastPaused = pb.Paused;
      if (pb.LastPaused)
        pb.ReadPauseResult = av_read_pause(ctx);
      else
        av_read_play(ctx);
    }
    bool seek;
    {
      std::lock_guard lock(pb.SeekMutex);
      seek = pb.SeekPending;
    }
    if (seek) {
      DoSeek(pb);
      eof = false;
    }

    const bool audioFull = pb.AudioIndex < 0 || pb.AudioQueue.Bytes() > kMaxAudioQueueBytes;
    const bool videoFull = pb.VideoIndex < 0 || pb.VideoQueue.Count() > kMinVideoPackets;
    const bool subtitleFull = pb.SubtitleIndex < 0 || pb.SubtitleQueue.Count() > kMinVideoPackets;
    if (pb.AudioQueue.Bytes() + pb.VideoQueue.Bytes() + pb.SubtitleQueue.Bytes() > kMaxQueuedBytes ||
        (audioFull && videoFull && subtitleFull)) {
      Sleep(10ms);
      continue;
    }
    if (eof || (ctx->pb && ctx->pb->eof_reached)) {
      // One end marker drains the video decoder; the next ones only wake it to check the end
      // (and to tell a waiting seek that no more pictures will come).
      if (pb.VideoIndex >= 0 && pb.VideoQueue.Count() == 0) pb.VideoQueue.PutEmpty(pb.VideoIndex);
      Sleep(10ms);
      if (pb.AudioQueue.Bytes() == 0 && pb.VideoQueue.Bytes() == 0 && pb.SubtitleQueue.Bytes() == 0)
        pb.Drained = true;
      continue;
    }
    pb.Reading = true;
    const int ret = av_read_frame(ctx, packet.get());
    pb.Reading = false;
    if (pb.AbortRequest) break;
    if (ret < 0) {
      if (ret == AVERROR(EAGAIN)) {
        Sleep(10ms);
        continue;
      }
      // At the end of the file the video thread says when the last picture is out.
      if (pb.VideoIndex >= 0 && ret != AVERROR_EOF) FrameAfterSeek_ = true;
      if (!pb.IsImageSequence && !pb.ReadEndReported) {
        pb.ReadEndReported = true;
        if (ret == AVERROR_EOF)
          Log(media::llInfo, "reach end of file: " + pb.FileName);
        else
          media::GetLogger().LogMessageFmt(this, media::llError, "error #%d while reading file: %s",
                                           ret, pb.FileName.c_str());
      }
      if (ret == AVERROR_EOF) {
        eof = true;
        continue;
      }
      if (ctx->pb && ctx->pb->error) break;
      // Anything else counts as the end of what can be read.
      eof = true;
      Sleep(100ms);
      continue;
    }
    if (packet->stream_index == pb.AudioIndex)
      pb.AudioQueue.Put(packet.get());
    else if (packet->stream_index == pb.VideoIndex)
      pb.VideoQueue.Put(packet.get());
    else if (packet->stream_index == pb.SubtitleIndex)
      pb.SubtitleQueue.Put(packet.get());
    av_packet_unref(packet.get());
  }
}

void TCustomPlayer::DoSeek(TPlayback& pb) {
  AVFormatContext* ctx = pb.Format.get();
  int flags;
  int64_t target, rel;
  {
    std::lock_guard lock(pb.SeekMutex);
    flags = pb.SeekFlags;
    target = pb.SeekTarget;
    rel = pb.SeekRel;
  }
  const int64_t low = rel > 0 ? target - rel + 2 : INT64_MIN;
  const int64_t high = rel < 0 ? target - rel - 2 : INT64_MAX;
  int ret = avformat_seek_file(ctx, -1, low, target, high, flags);
  if (ret < 0) ret = av_seek_frame(ctx, -1, target, flags);
  if (ret < 0) ret = av_seek_frame(ctx, -1, target, flags ^ AVSEEK_FLAG_BACKWARD);
  if (ret < 0) {
    Log(media::llError, pb.FileName + ": error while seeking");
    if (pb.VideoIndex >= 0) FrameAfterSeek_ = true;
  } else {
    if (pb.AudioIndex >= 0) {
      pb.AudioQueue.Flush();
      pb.AudioQueue.PutFlush();
    }
    if (pb.SubtitleIndex >= 0) {
      pb.SubtitleQueue.Flush();
      pb.SubtitleQueue.PutFlush();
    }
    if (pb.VideoIndex >= 0) {
      pb.FlushSeen = false;
      pb.VideoQueue.Flush();
      pb.VideoQueue.PutFlush();
      FrameAfterSeek_ = false;
    }
  }
  pb.ReadEndReported = false;
  pb.Drained = false;
  {
    std::lock_guard lock(pb.SeekMutex);
    pb.SeekPending = false;
  }
  pb.SeekDisplayPending = true;
  SeekDone_ = true;
}

bool TCustomPlayer::OpenComponent(TPlayback& pb, int index) {
  AVFormatContext* ctx = pb.Format.get();
  if (index < 0 || index >= static_cast<int>(ctx->nb_streams)) return false;
  AVStream* stream = ctx->streams[index];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  media::CodecContextPtr dec(avcodec_alloc_context3(codec));
  if (!codec || !dec || avcodec_parameters_to_context(dec.get(), stream->codecpar) < 0) {
    Log(media::llError, "avcodec_open() failed.");
    return false;
  }
  dec->pkt_timebase = stream->time_base;
  dec->workaround_bugs = 1;
  dec->error_concealment = 3;
  // Video may use the library's threads; audio is decoded inside the audio callback.
  dec->thread_count = stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO ? 0 : 1;
  int ret;
  {
    std::lock_guard lock(media::CodecLock());
    ret = avcodec_open2(dec.get(), codec, nullptr);
  }
  if (ret < 0) {
    Log(media::llError, "avcodec_open() failed.");
    return false;
  }
  if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
    pb.AudioCodec = std::move(dec);
    if (!OpenAudioDevice(pb)) {
      std::lock_guard lock(media::CodecLock());
      pb.AudioCodec.reset();
      return false;
    }
    stream->discard = AVDISCARD_DEFAULT;
    pb.AudioIndex = index;
    pb.AudioStream = stream;
    pb.AudioEndTimeUs = stream->duration != AV_NOPTS_VALUE
                            ? av_rescale_q(stream->duration, stream->time_base, AV_TIME_BASE_Q)
                            : -1;
    pb.AudioQueue.Start();
    pb.AudioQueue.PutFlush();
    return true;
  }
  if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
    stream->discard = AVDISCARD_DEFAULT;
    pb.VideoCodec = std::move(dec);
    pb.VideoIndex = index;
    pb.VideoStream = stream;
    pb.VideoWidth = pb.VideoCodec->width;
    pb.VideoHeight = pb.VideoCodec->height;
    pb.VideoQueue.Start();
    pb.VideoQueue.PutFlush();
    pb.Pictures.Start();
    pb.VideoThread = std::thread([this, raw = &pb] { VideoThreadMain(raw); });
    return true;
  }
  if (stream->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) {
    stream->discard = AVDISCARD_DEFAULT;
    pb.SubtitleCodec = std::move(dec);
    pb.SubtitleIndex = index;
    pb.SubtitleStream = stream;
    pb.SubtitleQueue.Start();
    pb.SubtitleQueue.PutFlush();
    pb.Subpictures.Start();
    pb.SubtitleThread = std::thread([this, raw = &pb] { SubtitleThreadMain(raw); });
    return true;
  }
  std::lock_guard lock(media::CodecLock());
  dec.reset();
  return false;
}

void TCustomPlayer::CloseComponents(TPlayback& pb) {
  if (pb.VideoIndex >= 0) {
    pb.VideoQueue.Abort();
    pb.Pictures.Abort();
    if (pb.VideoThread.joinable()) pb.VideoThread.join();
    pb.VideoQueue.Flush();
  }
  if (pb.AudioIndex >= 0 || pb.AudioDevice || pb.SilentOutput) {
    pb.AudioQueue.Abort();
    if (pb.AudioDevice) SDL_CloseAudioDevice(pb.AudioDevice);
    pb.AudioDevice = 0;
    pb.SilentOutput.reset();
    pb.AudioQueue.Flush();
    pb.Resampler.reset();
  }
  if (pb.SubtitleIndex >= 0) {
    pb.SubtitleQueue.Abort();
    pb.Subpictures.MarkChanged();
    pb.Subpictures.Abort();
    if (pb.SubtitleThread.joinable()) pb.SubtitleThread.join();
    pb.SubtitleQueue.Flush();
  }
  std::lock_guard lock(media::CodecLock());
  for (int* index : {&pb.AudioIndex, &pb.VideoIndex, &pb.SubtitleIndex})
    if (*index >= 0 && pb.Format) pb.Format->streams[*index]->discard = AVDISCARD_ALL;
  pb.VideoCodec.reset();
  pb.AudioCodec.reset();
  pb.SubtitleCodec.reset();
  pb.AudioEndTimeUs = -1;
  // The indexes stay: the play thread may still look at them until the playback is freed.
}

}  // namespace zanto::player
