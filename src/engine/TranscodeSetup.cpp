// The transcode set-up: stream tables, mapping, codec parameters, encoders and decoders, the
// output files and their headers, the mapping report; and the tear-down.
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>

#include "engine/CodecSetup.h"
#include "engine/FFmpegException.h"
#include "engine/TranscodeHost.h"
#include "engine/Transcoder.h"
#include "media/CodecLock.h"
#include "media/MediaUtils.h"

namespace zanto::engine {

namespace {

std::string KindName(AVMediaType kind) { return media::StreamKindName(kind); }

}  // namespace

TTranscoder::TTranscoder(std::vector<TInputFile>& inputs, std::vector<TOutputFile>& outputs,
                         const TOptionValues& options, int scalerFlags, bool join,
                         ITranscodeHost& host, int64_t totalDurationUs, int64_t progressIntervalUs,
                         const TFrameHookChain* frameHooks)
    : Inputs_(inputs),
      Outputs_(outputs),
      Options_(options),
      ScalerFlags_(scalerFlags),
      Join_(join && inputs.size() > 1),
      FrameHooks_(frameHooks && !frameHooks->Empty() ? frameHooks : nullptr),
      Host_(host),
      TotalDurationUs_(totalDurationUs),
      ProgressIntervalUs_(progressIntervalUs) {}

TTranscoder::~TTranscoder() { TearDown(); }

double TOutputStream::OutputTimeSec() const {
  if (Video) return Video->OutputTimeSec();
  if (Audio) return Audio->OutputTimeSec();
  if (Subtitle) return Subtitle->OutputTimeSec();
  return CopyTimeSec;
}

bool TOutputStream::LimitReached(const TOptionValues& options) const {
  if (Video) return Video->LimitReached();
  if (Audio) return Audio->LimitReached();
  const int kind = Request ? Request->Kind : -1;
  return kind >= 0 && kind < 4 && CopiedFrames >= options.MaxFrames[static_cast<size_t>(kind)];
}

void TTranscoder::BuildInputStreams() {
  for (size_t f = 0; f < Inputs_.size(); ++f) {
    AVFormatContext* ic = Inputs_[f].Context.get();
    FirstStreamOfFile_.push_back(static_cast<int>(InputStreams_.size()));
    for (unsigned s = 0; s < ic->nb_streams; ++s) {
      TInputStream ist;
      ist.FileIndex = static_cast<int>(f);
      ist.StreamIndex = static_cast<int>(s);
      ist.Stream = ic->streams[s];
      if (Options_.RateEmulation) ist.StartWallUs = av_gettime_relative();
      InputStreams_.push_back(std::move(ist));
    }
  }
  FileEnded_.assign(Inputs_.size(), false);
}

void TTranscoder::CreateOutputs() {
  for (size_t o = 0; o < Outputs_.size(); ++o) {
    TOutputFile& file = Outputs_[o];
    AVFormatContext* raw = nullptr;
    int ret = avformat_alloc_output_context2(&raw, file.Format, nullptr, file.LibraryName.c_str());
    if (ret < 0 || !raw) throw FFmpegException("avformat_alloc_context failed");
    TOutputContext out;
    out.File = &file;
    out.Context.reset(raw);
    if (file.Streams.empty()) {
      av_dump_format(raw, static_cast<int>(o), file.LibraryName.c_str(), 1);
      throw FFmpegException::Format("Output file #%d does not contain any stream", static_cast<int>(o));
    }
    for (size_t s = 0; s < file.Streams.size(); ++s) {
      AVStream* st = avformat_new_stream(raw, nullptr);
      if (!st) throw FFmpegException("Could not alloc stream");
      if (s < Options_.StreamIdMap.size() && Options_.StreamIdMap[s]) st->id = Options_.StreamIdMap[s];
      TOutputStream ost;
      ost.FileIndex = static_cast<int>(o);
      ost.Index = static_cast<int>(s);
      ost.Stream = st;
      ost.Request = &file.Streams[s];
      ost.Copy = file.Streams[s].Copy;
      if (!file.Streams[s].Language.empty())
        av_dict_set(&st->metadata, "language", file.Streams[s].Language.c_str(), 0);
      OutputStreams_.push_back(std::move(ost));
    }
    // Metadata pairs: set from the last to the first, so the first of equal keys wins.
    for (auto it = file.Metadata.rbegin(); it != file.Metadata.rend(); ++it)
      av_dict_set(&raw->metadata, it->first.c_str(), it->second.c_str(), 0);
    if (file.TimestampUs != kNoTime) {
      const time_t seconds = static_cast<time_t>(file.TimestampUs / 1000000);
      std::tm utc{};
      gmtime_r(&seconds, &utc);
      char text[64];
      std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
      av_dict_set(&raw->metadata, "creation_time", text, 0);
    }
    if (file.PacketSize > 0) raw->packet_size = static_cast<unsigned>(file.PacketSize);
    raw->max_delay = static_cast<int>(file.MuxDelaySec * AV_TIME_BASE + 0.5);
    if (raw->priv_data) {
      if (file.MuxRate > 0) av_opt_set_int(raw->priv_data, "muxrate", file.MuxRate, 0);
      av_opt_set_int(raw->priv_data, "preload", static_cast<int64_t>(file.MuxPreloadSec * AV_TIME_BASE + 0.5), 0);
    }
    OutputContexts_.push_back(std::move(out));
  }
}

void TTranscoder::MapStreams() {
  const auto& maps = Options_.StreamMaps;
  if (!maps.empty()) {
    if (maps.size() != OutputStreams_.size())
      throw FFmpegException("Number of stream maps must match number of output streams");
    for (const TStreamMap& m : maps) {
      if (m.FileIndex < 0 || m.FileIndex >= static_cast<int>(Inputs_.size()) || m.StreamIndex < 0 ||
          m.StreamIndex >= static_cast<int>(Inputs_[m.FileIndex].Context->nb_streams))
        throw FFmpegException::Format("Could not find input stream #%d.%d", m.FileIndex, m.StreamIndex);
      if (m.SyncFileIndex < 0 || m.SyncFileIndex >= static_cast<int>(Inputs_.size()) ||
          m.SyncStreamIndex < 0 ||
          m.SyncStreamIndex >= static_cast<int>(Inputs_[m.SyncFileIndex].Context->nb_streams))
        throw FFmpegException::Format("Could not find sync stream #%d.%d", m.FileIndex, m.StreamIndex);
    }
  }
  for (size_t i = 0; i < OutputStreams_.size(); ++i) {
    TOutputStream& ost = OutputStreams_[i];
    const AVMediaType kind = ost.Request->Kind;
    if (!maps.empty()) {
      const TStreamMap& m = maps[i];
      const int source = FirstStreamOfFile_[m.FileIndex] + m.StreamIndex;
      const AVMediaType inKind = InputStreams_[source].Stream->codecpar->codec_type;
      if (inKind != kind) {
        av_dump_format(OutputContexts_[ost.FileIndex].Context.get(), ost.FileIndex,
                       Outputs_[ost.FileIndex].LibraryName.c_str(), 1);
        throw FFmpegException::Format("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)",
                                      m.FileIndex, m.StreamIndex, KindName(inKind).c_str(),
                                      ost.FileIndex, ost.Index, KindName(kind).c_str());
      }
      ost.Source = source;
      ost.Sync = FirstStreamOfFile_[m.SyncFileIndex] + m.SyncStreamIndex;
    } else {
      // The first unused stream of the kind; without one, the last of the kind even if used.
      int chosen = -1, fallback = -1;
      for (size_t s = 0; s < InputStreams_.size(); ++s) {
        const TInputStream& ist = InputStreams_[s];
        if (ist.Stream->discard == AVDISCARD_ALL || ist.Stream->codecpar->codec_type != kind) continue;
        if (Join_ && ist.FileIndex != 0) continue;  // joined: the first input decides
        fallback = static_cast<int>(s);
        if (ist.Discard && chosen < 0) chosen = static_cast<int>(s);
      }
      if (chosen < 0 && !Join_) chosen = fallback;
      if (chosen < 0) {
        av_dump_format(OutputContexts_[ost.FileIndex].Context.get(), ost.FileIndex,
                       Outputs_[ost.FileIndex].LibraryName.c_str(), 1);
        throw FFmpegException::Format("Could not find input stream matching output stream #%d.%d (%s)",
                                      ost.FileIndex, ost.Index, KindName(kind).c_str());
      }
      ost.Source = ost.Sync = chosen;
    }
    InputStreams_[ost.Source].Discard = false;
    InputStreams_[ost.Source].Outputs.push_back(static_cast<int>(i));
  }
  if (Join_) MapJoinedInputs();
}

void TTranscoder::MapJoinedInputs() {
  // Each later input feeds the same output streams from its streams of the same kinds, in order.
  for (size_t f = 1; f < Inputs_.size(); ++f) {
    std::vector<bool> taken(InputStreams_.size(), false);
    for (size_t o = 0; o < OutputStreams_.size(); ++o) {
      TOutputStream& ost = OutputStreams_[o];
      for (size_t s = 0; s < InputStreams_.size(); ++s) {
        TInputStream& ist = InputStreams_[s];
        if (ist.FileIndex != static_cast<int>(f) || taken[s] || ist.Stream->discard == AVDISCARD_ALL ||
            ist.Stream->codecpar->codec_type != ost.Request->Kind)
          continue;
        taken[s] = true;
        ist.Discard = false;
        ist.Outputs.push_back(static_cast<int>(o));
        if (!ost.Copy) ist.Decoding = true;
        break;
      }
    }
  }
}

void TTranscoder::ConfigureStream(TOutputStream& ost) {
  TInputStream& ist = InputStreams_[ost.Source];
  const TStreamRequest& request = *ost.Request;
  AVStream* st = ost.Stream;
  AVFormatContext* oc = OutputContexts_[ost.FileIndex].Context.get();
  av_dict_copy(&st->metadata, ist.Stream->metadata, AV_DICT_DONT_OVERWRITE);
  st->disposition = ist.Stream->disposition;
  const AVCodecParameters* inPar = ist.Stream->codecpar;

  if (ost.Copy) {
    if (request.Kind == AVMEDIA_TYPE_VIDEO) {
      if (Host_.HookRequested())
        throw FFmpegException("-vcodec copy and CustomHook are incompatible (frames are not decoded)");
      if (Options_.UsingFrameHooks)
        throw FFmpegException("-vcodec copy and -vhook are incompatible (frames are not decoded)");
      if (Host_.PreviewWanted())
        throw FFmpegException("-vcodec copy and PostHooks are incompatible (frames are not decoded)");
    } else if (request.Kind == AVMEDIA_TYPE_AUDIO) {
      if (request.Volume != 256)
        throw FFmpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
    } else if (request.Kind != AVMEDIA_TYPE_SUBTITLE) {
      throw FFmpegException("invalid codec_type of output stream");
    }
    avcodec_parameters_copy(st->codecpar, inPar);
    // Keep the input's tag only where the container agrees on what it means.
    uint32_t tag = request.CodecTag;
    if (!tag) {
      const AVCodecTag* const* table = oc->oformat->codec_tag;
      unsigned outTag = 0;
      if (!table || av_codec_get_id(table, inPar->codec_tag) == inPar->codec_id ||
          !av_codec_get_tag2(table, inPar->codec_id, &outTag))
        tag = inPar->codec_tag;
    }
    st->codecpar->codec_tag = tag;
    if (request.Kind == AVMEDIA_TYPE_AUDIO &&
        ((inPar->codec_id == AV_CODEC_ID_MP3 && inPar->block_align == 1) || inPar->codec_id == AV_CODEC_ID_AC3))
      st->codecpar->block_align = 0;
    st->time_base = ist.Stream->time_base;
    st->avg_frame_rate = ist.Stream->avg_frame_rate;
    st->r_frame_rate = ist.Stream->r_frame_rate;
    st->sample_aspect_ratio = ist.Stream->sample_aspect_ratio;
    return;
  }

  // Encoding: the encoder by name, else the container's choice for this file name.
  TStreamRequest& editable = const_cast<TStreamRequest&>(request);
  if (!editable.Encoder) {
    const AVCodecID id = av_guess_codec(oc->oformat, nullptr, oc->url, nullptr, request.Kind);
    editable.Encoder = id != AV_CODEC_ID_NONE ? avcodec_find_encoder(id) : nullptr;
    if (!editable.Encoder) {
      MappingReport();
      const std::string text = FFmpegException::Format(
          "Encoder (codec id %d) not found for output stream #%d.%d (%s)", static_cast<int>(id),
          ost.FileIndex, ost.Index, KindName(request.Kind).c_str()).what();
      Host_.Log(media::llError, text);
      throw FFmpegException(text);
    }
  }
  ist.Decoding = true;
  char label[32];
  std::snprintf(label, sizeof label, "#%d.%d", ist.FileIndex, ist.StreamIndex);
  if (request.Kind == AVMEDIA_TYPE_VIDEO) {
    TVideoOutputSetup setup;
    setup.Request = &request;
    setup.Source = ist.Stream;
    setup.Format = oc->oformat;
    setup.Stream = st;
    setup.ScalerFlags = ScalerFlags_;
    setup.StartTimeUs = Options_.StartTimeUs;
    setup.MaxFrames = Options_.MaxFrames[AVMEDIA_TYPE_VIDEO];
    setup.Verbosity = Options_.Verbosity;
    setup.Label = label;
    setup.Pass = Options_.PassNumber;
    if (setup.Pass == 1 || setup.Pass == 2) {
      // "prefix-N.log", N counting output streams over all outputs.
      const int number = static_cast<int>(&ost - OutputStreams_.data());
      std::string prefix = Options_.PassLogFilePrefix.empty() ? "ffmpeg2pass" : Options_.PassLogFilePrefix;
      setup.PassLogFile = (prefix + "-" + std::to_string(number) + ".log").substr(0, 1023);
    }
    if (!Options_.VideoStatsFileName.empty()) {
      if (!VideoStats_) VideoStats_ = std::make_shared<TVideoStatsFile>(Options_.VideoStatsFileName);
      setup.Stats = VideoStats_;
    }
    ost.Video = std::make_unique<TVideoOutput>();
    ost.Video->Configure(setup);
  } else if (request.Kind == AVMEDIA_TYPE_AUDIO) {
    TAudioOutputSetup setup;
    setup.Request = &request;
    setup.Source = ist.Stream;
    setup.Stream = st;
    setup.StartTimeUs = Options_.StartTimeUs;
    setup.MaxFrames = Options_.MaxFrames[AVMEDIA_TYPE_AUDIO];
    setup.Verbosity = Options_.Verbosity;
    setup.DriftThresholdSec = Options_.AudioDriftThresholdS;
    ost.Audio = std::make_unique<TAudioOutput>();
    ost.Audio->Configure(setup, Host_);
  } else if (request.Kind == AVMEDIA_TYPE_SUBTITLE) {
    // Configured when the decoders are open: text encoders take the decoder's style header.
    ost.Subtitle = std::make_unique<TSubtitleOutput>();
  } else {
    throw FFmpegException("invalid codec_type of output stream");
  }
}

void TTranscoder::OpenEncoders() {
  for (TOutputStream& ost : OutputStreams_) {
    if (ost.Copy) continue;
    if (ost.Subtitle)
      ost.Subtitle->Configure(*ost.Request, InputStreams_[ost.Source].Decoder.get(), ost.Stream);
    const int ret = ost.Video ? ost.Video->Open() : ost.Audio ? ost.Audio->Open() : ost.Subtitle->Open();
    if (ret < 0) {
      MappingReport();
      Host_.Log(media::llError, media::ErrorText(ret));
      const std::string text = FFmpegException::Format(
          "Error while opening encoder for output stream #%d.%d (%s) - maybe incorrect parameters "
          "such as bit_rate, rate, width or height. Please check error log message to find out "
          "more detail information.",
          ost.FileIndex, ost.Index, KindName(ost.Request->Kind).c_str()).what();
      Host_.Log(media::llError, text);
      throw FFmpegException(text);
    }
  }
}

void TTranscoder::OpenDecoders() {
  for (TInputStream& ist : InputStreams_) {
    if (!ist.Decoding) continue;
    const AVCodecParameters* par = ist.Stream->codecpar;
    const TInputFile& file = Inputs_[ist.FileIndex];
    const AVCodec* codec = static_cast<size_t>(ist.StreamIndex) < file.ForcedDecoders.size()
                               ? file.ForcedDecoders[ist.StreamIndex]
                               : nullptr;
    if (!codec) codec = avcodec_find_decoder(par->codec_id);
    const std::string kind = KindName(par->codec_type);
    if (!codec) {
      MappingReport();
      throw FFmpegException::Format("Decoder (codec id %d) not found for input stream #%d.%d (%s)",
                                    static_cast<int>(par->codec_id), ist.FileIndex, ist.StreamIndex,
                                    kind.c_str());
    }
    media::CodecContextPtr dec(avcodec_alloc_context3(codec));
    int ret = dec ? avcodec_parameters_to_context(dec.get(), par) : AVERROR(ENOMEM);
    if (ret >= 0) {
      dec->pkt_timebase = ist.Stream->time_base;
      dec->thread_count = Options_.ThreadCount;
      ret = OpenCodecLocked(dec.get(), codec);
    }
    if (ret < 0) {
      MappingReport();
      throw FFmpegException::Format("Error while opening decoder for input stream #%d.%d (%s)",
                                    ist.FileIndex, ist.StreamIndex, kind.c_str());
    }
    ist.Decoder = std::move(dec);
  }
}

void TTranscoder::WriteHeaders() {
  // Chapters of every input go into every output.
  for (TOutputContext& out : OutputContexts_) {
    AVFormatContext* oc = out.Context.get();
    for (const TInputFile& in : Inputs_) {
      for (unsigned c = 0; c < in.Context->nb_chapters; ++c) {
        const AVChapter* source = in.Context->chapters[c];
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!chapter) throw FFmpegException("av_mallocz fail");
        chapter->id = source->id;
        chapter->time_base = source->time_base;
        chapter->start = source->start;
        chapter->end = source->end;
        av_dict_copy(&chapter->metadata, source->metadata, 0);
        void* grown = av_realloc_array(oc->chapters, oc->nb_chapters + 1, sizeof(AVChapter*));
        if (!grown) {
          av_dict_free(&chapter->metadata);
          av_free(chapter);
          throw FFmpegException("av_realloc fail");
        }
        oc->chapters = static_cast<AVChapter**>(grown);
        oc->chapters[oc->nb_chapters++] = chapter;
      }
    }
  }
  // The files are created now, when the task runs, not when the outputs were declared.
  for (size_t o = 0; o < OutputContexts_.size(); ++o) {
    TOutputContext& out = OutputContexts_[o];
    AVFormatContext* oc = out.Context.get();
    if (!(oc->oformat->flags & AVFMT_NOFILE)) {
      const int ret = avio_open2(&oc->pb, out.File->LibraryName.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr);
      if (ret < 0) throw FFmpegException(media::ErrorMessage(out.File->FileName, ret));
    }
    for (TOutputStream& ost : OutputStreams_) {
      if (ost.FileIndex != static_cast<int>(o)) continue;
      const AVCodec* codec = ost.Video      ? ost.Video->Encoder()->codec
                             : ost.Audio    ? ost.Audio->Encoder()->codec
                             : ost.Subtitle ? ost.Subtitle->Encoder()->codec
                                            : nullptr;
      ost.Writer.Init(oc, ost.Stream, ost.Request->BitstreamFilters, codec ? codec->name : "copy");
    }
    AVDictionary* options = nullptr;
    for (const TGenericSetting& setting : out.File->GenericSettings)
      if (setting.Target == TGenericTarget::Format)
        av_dict_set(&options, setting.Name.c_str(), setting.Value.c_str(), 0);
    media::DictionaryPtr optionsOwner;
    const int ret = avformat_write_header(oc, &options);
    optionsOwner.reset(options);
    if (ret < 0) {
      MappingReport();
      Host_.Log(media::llError, media::ErrorText(ret));
      const std::string text = FFmpegException::Format(
          "Could not write header for output file #%d (incorrect codec parameters ?)", static_cast<int>(o)).what();
      Host_.Log(media::llError, text);
      throw FFmpegException(text);
    }
    out.HeaderWritten = true;
  }
}

void TTranscoder::MappingReport() {
  for (size_t o = 0; o < OutputContexts_.size(); ++o)
    av_dump_format(OutputContexts_[o].Context.get(), static_cast<int>(o),
                   Outputs_[o].LibraryName.c_str(), 1);
  if (Options_.Verbosity < 0) return;
  Host_.Log(media::llVerbose, "Stream mapping:");
  for (const TOutputStream& ost : OutputStreams_) {
    if (ost.Source < 0) continue;
    const TInputStream& ist = InputStreams_[ost.Source];
    Host_.Log(media::llVerbose,
              FFmpegException::Format("  Stream #%d.%d -> #%d.%d (%s)", ist.FileIndex, ist.StreamIndex,
                                      ost.FileIndex, ost.Index,
                                      KindName(ost.Request->Kind).c_str()).what());
    if (ost.Sync >= 0 && ost.Sync != ost.Source) {
      const TInputStream& sync = InputStreams_[ost.Sync];
      Host_.Log(media::llVerbose, FFmpegException::Format(" [sync #%d.%d (%s)]", sync.FileIndex,
                                                          sync.StreamIndex,
                                                          KindName(ost.Request->Kind).c_str()).what());
    }
  }
}

void TTranscoder::TearDown() {
  // Encoders and decoders close under the codec lock, encoders first.
  {
    std::lock_guard lock(media::CodecLock());
    for (TOutputStream& ost : OutputStreams_) {
      ost.Video.reset();
      ost.Audio.reset();
      ost.Subtitle.reset();
    }
    for (TInputStream& ist : InputStreams_) ist.Decoder.reset();
  }
  for (size_t o = 0; o < OutputContexts_.size(); ++o) {
    TOutputContext& out = OutputContexts_[o];
    if (!out.Context) continue;
    int64_t packets = 0;
    for (const TOutputStream& ost : OutputStreams_)
      if (ost.FileIndex == static_cast<int>(o)) packets += ost.Writer.PacketsWritten();
    const bool createdFile = out.Context->pb != nullptr;
    out.Context.reset();  // closes the file
    // An output that received nothing, or that could not be finished (a failed write, a run
    // that ended in an error before its trailer), is not left behind: it would not play.
    if (createdFile && (packets == 0 || !out.Complete)) {
      std::error_code ignored;
      std::filesystem::remove(out.File->LibraryName, ignored);
    }
  }
  OutputStreams_.clear();
  OutputContexts_.clear();
  InputStreams_.clear();
}

}  // namespace zanto::engine
