// The option dispatcher: one table of names in the order they are tested, each with its effect.
#include "engine/OptionParser.h"

#include <cfloat>
#include <cmath>
#include <ctime>
#include <unordered_map>

#include "engine/CodecAliases.h"
#include "engine/OptionValues.h"
#include "engine/StreamMaps.h"
#include "platform/Paths.h"

namespace zanto::engine {

namespace {

using media::TLogLevel;

struct TOptionCall {
  TOptionState& State;
  IOptionActions& Actions;
  const std::string& Name;
  const std::string& Value;
};

using TOptionHandler = void (*)(const TOptionCall&);

struct TOptionEntry {
  const char* Name;
  TOptionHandler Handler;
};

void DoNothing(const TOptionCall& c) { c.Actions.Log(media::llInfo, "Do nothing: option - " + c.Name); }

int Int(const TOptionCall& c) { return ParseInteger(c.Value); }
bool Switch(const TOptionCall& c) { return ParseSwitch(c.Value); }
// Single-precision settings: a number beyond its range is no valid value for them either.
float Decimal(const TOptionCall& c) {
  const double value = ParseDecimal(c.Value);
  if (std::fabs(value) > FLT_MAX) throw FFmpegException::Format("'%s' is not a valid floating point value", c.Value.c_str());
  return static_cast<float>(value);
}

// "b", "vb", "ab": the library takes bits/s; a value below 1000 almost always means kbit/s.
void SetBitRate(const TOptionCall& c) {
  const bool audio = c.Name == "ab";
  if (!SetGenericOption(c.State, audio ? "ab" : "b", c.Value)) return;
  int64_t bitRate = 0;
  av_opt_get_int(c.State.Generic.CodecContext(audio ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO), "b", 0, &bitRate);
  if (bitRate < 1000)
    c.Actions.Log(media::llWarning,
                  "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}

// "vcodec", "acodec", "scodec": "copy" sets the kind's copy flag (a later name keeps it),
// any other value becomes the codec name.
void SetCodecName(const TOptionCall& c, AVMediaType kind) {
  TOptionState& s = c.State;
  std::string& name = kind == AVMEDIA_TYPE_VIDEO   ? s.VideoCodecName
                      : kind == AVMEDIA_TYPE_AUDIO ? s.AudioCodecName
                                                   : s.SubtitleCodecName;
  bool& copy = kind == AVMEDIA_TYPE_VIDEO   ? s.VideoStreamCopy
               : kind == AVMEDIA_TYPE_AUDIO ? s.AudioStreamCopy
                                            : s.SubtitleStreamCopy;
  name.clear();
  if (c.Value == "copy") {
    copy = true;
    return;
  }
  name = c.Value;
  // The encoder's private options (libx264's "coder", "level" ...) become known to the generic
  // setter, so presets that follow are checked against this very encoder.
  if (const AVCodec* codec = avcodec_find_encoder_by_name(ResolveEncoderName(name).Name.c_str()))
    if (codec->type == kind) s.Generic.SelectEncoder(kind, codec);
}

void SetTag(const TOptionCall& c, uint32_t& tag, const char* kindWord) {
  if (c.Value.size() != 4) throw FFmpegException::Format("%s tag parameter must be 4 chars", kindWord);
  tag = MakeTag(c.Value);
}

void SetCrop(const TOptionCall& c, int& crop, bool vertical, const char* label) {
  const int value = Int(c);
  if (value <= 0) return;
  int& extent = vertical ? c.State.FrameHeight : c.State.FrameWidth;
  if (value >= extent)
    throw FFmpegException(std::string(vertical ? "Vertical" : "Horizontal") +
                          " crop dimensions are outside the range of the original image.\n"
                          "Remember to crop first and scale second.");
  c.Actions.Log(media::llWarning, std::string(label) + " is deprecated in favor of the crop avfilter");
  crop = value;
  extent -= value;
}

// Integer text, 0 when it is no integer ("aspect" forgives its parts).
int IntOrZero(const std::string& text) {
  try {
    return ParseInteger(text);
  } catch (const FFmpegException&) {
    return 0;
  }
}

void SetAspect(const TOptionCall& c) {
  double ratio = 0.0;
  if (const size_t colon = c.Value.find(':'); colon != std::string::npos) {
    const int w = IntOrZero(c.Value.substr(0, colon));
    const int h = IntOrZero(c.Value.substr(colon + 1));
    ratio = h > 0 ? static_cast<double>(w) / h : 0.0;
  } else {
    try {
      ratio = ParseDecimal(c.Value);
    } catch (const FFmpegException&) {
      ratio = 0.0;
    }
  }
  // A negative ratio is as meaningless as zero.
  if (!(ratio > 0.0)) throw FFmpegException("Incorrect aspect ratio specification.");
  c.State.FrameAspectRatio = static_cast<float>(ratio);
}

void ListPixelFormats(const TOptionCall& c) {
  char line[128];
  c.Actions.Log(media::llInfo, av_get_pix_fmt_string(line, sizeof line, AV_PIX_FMT_NONE));
  for (const AVPixFmtDescriptor* d = av_pix_fmt_desc_next(nullptr); d; d = av_pix_fmt_desc_next(d))
    c.Actions.Log(media::llInfo, av_get_pix_fmt_string(line, sizeof line, av_pix_fmt_desc_get_id(d)));
}

void ListSampleFormats(const TOptionCall& c) {
  char line[128];
  for (int fmt = -1; fmt < AV_SAMPLE_FMT_NB; ++fmt)
    c.Actions.Log(media::llInfo, av_get_sample_fmt_string(line, sizeof line, static_cast<AVSampleFormat>(fmt)));
}

void AddBitstreamFilter(const TOptionCall& c) {
  if (c.Value.empty() || c.Value[0] == '=') return;
  const std::string name = Trim(c.Value.substr(0, c.Value.find('=')));
  if (!av_bsf_get_by_name(name.c_str()))
    throw FFmpegException::Format("Unknown bitstream filter %s", Trim(c.Value).c_str());
  auto& chain = c.Name[0] == 'v'   ? c.State.VideoBitstreamFilters
                : c.Name[0] == 'a' ? c.State.AudioBitstreamFilters
                                   : c.State.SubtitleBitstreamFilters;
  chain.push_back(name);
}

void NewStream(const TOptionCall& c, void (IOptionActions::*create)()) {
  if (c.Actions.OutputFileCount() <= 0) throw FFmpegException("At least one output file must be specified");
  (c.Actions.*create)();
}

std::string VideoStatsFileName() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char clock[16];
  std::strftime(clock, sizeof clock, "%H%M%S", &local);
  return platform::ProgramFolder() + "vstats_" + clock + ".log";
}

// The vocabulary in the order the names are tested.
const std::vector<TOptionEntry>& OptionTable() {
  static const std::vector<TOptionEntry> table = {
      {"L", DoNothing}, {"h", DoNothing}, {"version", DoNothing}, {"formats", DoNothing},
      {"codecs", DoNothing}, {"bsfs", DoNothing}, {"protocols", DoNothing}, {"filters", DoNothing},
      {"loglevel",
       [](const TOptionCall& c) {
         try {
           media::GetLogger().SetLogLevelByName(c.Value);
         } catch (const std::invalid_argument& e) {
           throw FFmpegException(e.what());
         }
       }},
      {"f",
       [](const TOptionCall& c) {
         if (c.Value == "pgmyuv") {
           c.State.ForcedFormat = "image2";
           c.State.PgmYuvCompat = true;
           c.Actions.Log(media::llInfo, "pgmyuv format is deprecated, use image2");
         } else {
           c.State.ForcedFormat = c.Value;
         }
       }},
      {"i", DoNothing}, {"y", DoNothing},
      {"map",
       [](const TOptionCall& c) {
         if (static_cast<int>(c.State.StreamMaps.size()) >= kMaxStreamMaps)
           throw FFmpegException::Format("max stream maps %d reached", kMaxStreamMaps);
         c.State.StreamMaps.push_back(ParseStreamMap(c.Value));
       }},
      {"map_meta_data", [](const TOptionCall& c) { c.State.MetadataMaps.push_back(ParseMetadataMap(c.Value)); }},
      {"t",
       [](const TOptionCall& c) {
         c.State.RecordingTimeUs = ParseTimeUs(c.Name, c.Value, true);
         c.Actions.SetTotalDuration(c.State.RecordingTimeUs);
       }},
      {"fs", [](const TOptionCall& c) { c.State.FileSizeLimitBytes = ParseInteger64(c.Value); }},
      {"ss", [](const TOptionCall& c) { c.State.StartTimeUs = ParseTimeUs(c.Name, c.Value, true); }},
      {"itsoffset", [](const TOptionCall& c) { c.State.InputTsOffsetUs = ParseTimeUs(c.Name, c.Value, true); }},
      {"itsscale",
       [](const TOptionCall& c) {
         const auto [stream, scale] = ParseTimestampScale(c.Value);
         // Applies to the next input; a task with every input slot taken has none to come.
         const int file = c.Actions.InputFileCount();
         if (file >= 0 && file < kMaxFiles) c.State.InputTsScale[file][stream] = scale;
       }},
      {"timestamp",
       [](const TOptionCall& c) {
         c.State.RecordingTimestampS = std::llround(ParseTimeUs(c.Name, c.Value, false) / 1000000.0);
       }},
      {"metadata",
       [](const TOptionCall& c) {
         const size_t eq = c.Value.find('=');
         if (eq == std::string::npos) throw FFmpegException("Missing =");
         c.State.Metadata.emplace_back(c.Value.substr(0, eq), c.Value.substr(eq + 1));
       }},
      {"dframes", [](const TOptionCall& c) { c.State.MaxFrames[AVMEDIA_TYPE_DATA] = Int(c); }},
      {"benchmark", DoNothing},
      {"timelimit",
       [](const TOptionCall& c) { c.Actions.Log(media::llWarning, "Warning: -timelimit not implemented on Windows"); }},
      {"dump", [](const TOptionCall& c) { c.State.PacketDump = Switch(c); }},
      {"hex", [](const TOptionCall& c) { c.State.HexDump = Switch(c); }},
      {"re", [](const TOptionCall& c) { c.State.RateEmulation = Switch(c); }},
      {"loop_input", [](const TOptionCall& c) { c.State.LoopInput = Switch(c); }},
      {"loop_output", [](const TOptionCall& c) { c.State.LoopOutput = Int(c); }},
      {"v", [](const TOptionCall& c) { c.State.Verbosity = Int(c); }},
      {"target",
       [](const TOptionCall& c) {
         std::string type = Trim(c.Value);
         std::string norm = "auto";
         for (const char* prefix : {"pal-", "ntsc-", "film-"}) {
           const std::string p = prefix;
           if (type.compare(0, p.size(), p) == 0) {
             norm = p.substr(0, p.size() - 1);
             type = type.substr(p.size());
             break;
           }
         }
         ApplyTarget(c.State, c.Actions, type, norm, "ntsc");
       }},
      {"threads",
       [](const TOptionCall& c) {
         // 0 lets the codecs choose; "auto" says the same.
         c.State.ThreadCount = Trim(c.Value) == "auto" ? 0 : std::max(0, Int(c));
       }},
      {"vsync", [](const TOptionCall& c) { c.State.VideoSyncMethod = Int(c); }},
      {"async", [](const TOptionCall& c) { c.State.AudioSyncMethod = Int(c); }},
      {"adrift_threshold", [](const TOptionCall& c) { c.State.AudioDriftThresholdS = Decimal(c); }},
      {"vglobal", [](const TOptionCall& c) { c.State.VideoGlobalHeader = Int(c); }},
      {"copyts", [](const TOptionCall& c) { c.State.CopyTimestamps = true; }},
      {"shortest", [](const TOptionCall& c) { c.State.Shortest = Switch(c); }},
      {"dts_delta_threshold", [](const TOptionCall& c) { c.State.DtsDeltaThresholdS = Decimal(c); }},
      {"programid", [](const TOptionCall& c) { c.State.ProgramId = Int(c); }},
      {"xerror", [](const TOptionCall& c) { c.State.ExitOnError = true; }},
      {"copyinkf", [](const TOptionCall& c) { c.State.CopyInitialNonKeyframes = Int(c); }},
      {"b", SetBitRate}, {"vb", SetBitRate},
      {"vframes", [](const TOptionCall& c) { c.State.MaxFrames[AVMEDIA_TYPE_VIDEO] = Int(c); }},
      {"r",
       [](const TOptionCall& c) {
         AVRational rate{0, 0};
         if (av_parse_video_rate(&rate, c.Value.c_str()) < 0) throw FFmpegException("Incorrect frame rate");
         c.State.FrameRate = rate;
       }},
      {"s",
       [](const TOptionCall& c) {
         int w = 0, h = 0;
         if (av_parse_video_size(&w, &h, c.Value.c_str()) < 0) throw FFmpegException("Incorrect frame size");
         c.State.FrameWidth = w;
         c.State.FrameHeight = h;
       }},
      {"aspect", SetAspect},
      {"pix_fmt",
       [](const TOptionCall& c) {
         if (c.Value == "list") return ListPixelFormats(c);
         const AVPixelFormat fmt = av_get_pix_fmt(c.Value.c_str());
         if (fmt == AV_PIX_FMT_NONE)
           throw FFmpegException::Format("Unknown pixel format requested: %s", c.Value.c_str());
         c.State.PixelFormat = fmt;
       }},
      {"croptop", [](const TOptionCall& c) { SetCrop(c, c.State.CropTop, true, "CropTop"); }},
      {"cropbottom", [](const TOptionCall& c) { SetCrop(c, c.State.CropBottom, true, "CropBottom"); }},
      {"cropleft", [](const TOptionCall& c) { SetCrop(c, c.State.CropLeft, false, "CropLeft"); }},
      {"cropright", [](const TOptionCall& c) { SetCrop(c, c.State.CropRight, false, "CropRight"); }},
      {"padtop", [](const TOptionCall&) { throw FFmpegException("Please use vfilters=pad"); }},
      {"padbottom", [](const TOptionCall&) { throw FFmpegException("Please use vfilters=pad"); }},
      {"padleft", [](const TOptionCall&) { throw FFmpegException("Please use vfilters=pad"); }},
      {"padright", [](const TOptionCall&) { throw FFmpegException("Please use vfilters=pad"); }},
      {"padcolor", [](const TOptionCall&) { throw FFmpegException("Please use vfilters=pad"); }},
      {"intra", [](const TOptionCall& c) { c.State.IntraOnly = Switch(c); }},
      {"vn", [](const TOptionCall& c) { c.State.VideoDisable = Switch(c); }},
      {"vdt", [](const TOptionCall& c) { c.State.VideoDiscard = Int(c); }},
      {"qscale",
       [](const TOptionCall& c) {
         const float q = Decimal(c);
         if (!(q > 0.0f && q <= 255.0f)) throw FFmpegException("qscale must be > 0.0 and <= 255");
         c.State.VideoQScale = q;
       }},
      {"rc_override", [](const TOptionCall& c) { c.State.RcOverride = c.Value; }},
      {"vcodec", [](const TOptionCall& c) { SetCodecName(c, AVMEDIA_TYPE_VIDEO); }},
      {"me_threshold", [](const TOptionCall& c) { c.State.MeThreshold = Int(c); }},
      {"sameq", [](const TOptionCall& c) { c.State.SameQuality = Switch(c); }},
      {"deinterlace", [](const TOptionCall& c) { c.State.Deinterlace = Switch(c); }},
      {"psnr", [](const TOptionCall& c) { c.State.DoPsnr = Switch(c); }},
      {"pass",
       [](const TOptionCall& c) {
         const int pass = Int(c);
         if (pass != 1 && pass != 2) throw FFmpegException("pass number can be only 1 or 2");
         c.State.PassNumber = pass;
       }},
      {"passlogfile", [](const TOptionCall& c) { c.State.PassLogFilePrefix = c.Value; }},
      {"vstats", [](const TOptionCall& c) { c.State.VideoStatsFileName = VideoStatsFileName(); }},
      {"vstats_file", [](const TOptionCall& c) { c.State.VideoStatsFileName = c.Value; }},
      {"vhook",
       [](const TOptionCall& c) {
         if (!c.State.FrameHooks.Add(c.Value))
           throw FFmpegException("Failed to add video hook function: " + c.Value);
         c.State.UsingFrameHooks = true;
       }},
      {"vfilters", [](const TOptionCall& c) { if (!c.Value.empty()) c.State.VideoFilters = c.Value; }},
      {"vf", [](const TOptionCall& c) { if (!c.Value.empty()) c.State.VideoFilters = c.Value; }},
      {"intra_matrix", [](const TOptionCall& c) { c.State.IntraMatrix = ParseQuantMatrix(c.Value); }},
      {"inter_matrix", [](const TOptionCall& c) { c.State.InterMatrix = ParseQuantMatrix(c.Value); }},
      {"top", [](const TOptionCall& c) { c.State.TopFieldFirst = Int(c); }},
      {"dc", [](const TOptionCall& c) { c.State.IntraDcPrecision = Int(c); }},
      {"vtag", [](const TOptionCall& c) { SetTag(c, c.State.VideoCodecTag, "video"); }},
      {"newvideo", [](const TOptionCall& c) { NewStream(c, &IOptionActions::NewVideoStream); }},
      {"vlang", [](const TOptionCall& c) { c.State.VideoLanguage = c.Value; }},
      {"qphist", [](const TOptionCall& c) { c.State.QpHistogram = Switch(c); }},
      {"force_fps", [](const TOptionCall& c) { c.State.ForceFps = Switch(c); }},
      {"streamid",
       [](const TOptionCall& c) {
         const auto [index, id] = ParseStreamId(c.Name, c.Value);
         c.State.StreamIdMap[index] = id;
       }},
      {"ab", SetBitRate},
      {"aframes", [](const TOptionCall& c) { c.State.MaxFrames[AVMEDIA_TYPE_AUDIO] = Int(c); }},
      {"aq", [](const TOptionCall& c) { c.State.AudioQScale = Decimal(c); }},
      {"ar", [](const TOptionCall& c) { if (const int v = Int(c); v > 0) c.State.AudioSampleRate = v; }},
      {"ac", [](const TOptionCall& c) { if (const int v = Int(c); v > 0) c.State.AudioChannels = v; }},
      {"an", [](const TOptionCall& c) { c.State.AudioDisable = Switch(c); }},
      {"acodec", [](const TOptionCall& c) { SetCodecName(c, AVMEDIA_TYPE_AUDIO); }},
      {"atag", [](const TOptionCall& c) { SetTag(c, c.State.AudioCodecTag, "audio"); }},
      {"vol", [](const TOptionCall& c) { c.State.AudioVolume = Int(c); }},
      {"newaudio", [](const TOptionCall& c) { NewStream(c, &IOptionActions::NewAudioStream); }},
      {"alang", [](const TOptionCall& c) { c.State.AudioLanguage = c.Value; }},
      {"sample_fmt",
       [](const TOptionCall& c) {
         if (c.Value == "list") return ListSampleFormats(c);
         c.State.SampleFormat = av_get_sample_fmt(c.Value.c_str());  // unknown: none
       }},
      {"sn", [](const TOptionCall& c) { c.State.SubtitleDisable = Switch(c); }},
      {"scodec", [](const TOptionCall& c) { SetCodecName(c, AVMEDIA_TYPE_SUBTITLE); }},
      {"newsubtitle", [](const TOptionCall& c) { NewStream(c, &IOptionActions::NewSubtitleStream); }},
      {"slang", [](const TOptionCall& c) { c.State.SubtitleLanguage = c.Value; }},
      {"stag", [](const TOptionCall& c) { SetTag(c, c.State.SubtitleCodecTag, "subtitle"); }},
      {"vc", [](const TOptionCall& c) { c.State.VideoChannel = Int(c); }},
      {"tvstd", [](const TOptionCall& c) { c.State.VideoStandard = c.Value; }},
      {"isync", [](const TOptionCall& c) { c.State.InputSync = Switch(c); }},
      {"muxdelay", [](const TOptionCall& c) { c.State.MuxMaxDelayS = Decimal(c); }},
      {"muxpreload", [](const TOptionCall& c) { c.State.MuxPreloadS = Decimal(c); }},
      {"absf", AddBitstreamFilter}, {"vbsf", AddBitstreamFilter}, {"sbsf", AddBitstreamFilter},
      {"apre", [](const TOptionCall& c) { ApplyPreset(c.State, c.Actions, c.Name, c.Value); }},
      {"vpre", [](const TOptionCall& c) { ApplyPreset(c.State, c.Actions, c.Name, c.Value); }},
      {"spre", [](const TOptionCall& c) { ApplyPreset(c.State, c.Actions, c.Name, c.Value); }},
      {"fpre", [](const TOptionCall& c) { ApplyPreset(c.State, c.Actions, c.Name, c.Value); }},
  };
  return table;
}

// Name -> handler; the first entry of a name wins, as in the ordered table.
const std::unordered_map<std::string, TOptionHandler>& OptionIndex() {
  static const std::unordered_map<std::string, TOptionHandler> index = [] {
    std::unordered_map<std::string, TOptionHandler> map;
    for (const TOptionEntry& entry : OptionTable()) map.emplace(entry.Name, entry.Handler);
    return map;
  }();
  return index;
}

}  // namespace

void SetOption(TOptionState& state, IOptionActions& actions, const std::string& name, const std::string& value) {
  const auto& index = OptionIndex();
  if (const auto it = index.find(name); it != index.end()) {
    it->second(TOptionCall{state, actions, name, value});
    return;
  }
  // Anything else is a parameter of the library's tables; an unknown name changes nothing.
  SetGenericOption(state, name, value);
}

bool SetGenericOption(TOptionState& state, const std::string& name, const std::string& value) {
  if (state.Generic.Set(name, value) != TGenericResult::Set) return false;
  const AVCodecContext* video = state.Generic.CodecContext(AVMEDIA_TYPE_VIDEO);
  const AVFormatContext* format = state.Generic.FormatContext();
  if ((video && video->debug) || (format && format->debug)) media::GetLogger().SetLogLevel(media::llDebug);
  return true;
}

}  // namespace zanto::engine
