#pragma once
// The option state of one task: what the option dispatcher (OptionParser.h) sets and what the
// next input or output opened, the stream creation and the transcode set-up read. Opening a file
// consumes parts of it (an input clears the forced format, the codec names, the video channel and
// the start time; a new stream clears its kind's codec name, copy flag, language and disabled
// flag). ResetOptions restores every default, releases the frame hooks and renews the generic
// option contexts.
#include <array>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/FrameHooks.h"
#include "engine/GenericOptions.h"
#include "media/FFmpeg.h"

namespace zanto::engine {

// Fixed limits of a task.
inline constexpr int kMaxFiles = 20;       // inputs, and outputs, per task
inline constexpr int kMaxStreams = 20;     // stream ids and timestamp scales per file
inline constexpr int kMaxStreamMaps = 400;

// "map": input file and stream, and the input whose clock the stream follows.
struct TStreamMap {
  int FileIndex = 0;
  int StreamIndex = 0;
  int SyncFileIndex = 0;
  int SyncStreamIndex = 0;
};

// "map_meta_data": the output file that takes the metadata of an input file.
struct TMetadataMap {
  int OutFile = 0;
  int InFile = 0;
};

using TQuantMatrix = std::array<uint16_t, 64>;

// The plain values of the option state with their defaults. Each comment names the reader.
struct TOptionValues {
  // --- files ---
  std::string ForcedFormat;        // "f": next input/output open; cleared by it
  bool PgmYuvCompat = false;       // "f"=pgmyuv: input open forces the PGM-YUV decoder
  int64_t StartTimeUs = 0;         // "ss": input open seeks (then 0); output set-up starts there
  int64_t RecordingTimeUs = INT64_MAX;  // "t": transcode loop ends the output there
  int64_t RecordingTimestampS = 0;      // "timestamp": output open -> context timestamp
  int64_t InputTsOffsetUs = 0;          // "itsoffset": input open -> file's timestamp offset
  int64_t FileSizeLimitBytes = 0;       // "fs": transcode loop stops at that size (0 = none)
  std::vector<std::pair<std::string, std::string>> Metadata;  // "metadata": output open; emptied
  int ProgramId = 0;               // "programid": input open selects that program (then 0)
  bool LoopInput = false;          // "loop_input": input open
  int LoopOutput = -1;             // "loop_output": output open
  bool RateEmulation = false;      // "re": transcode loop reads at the input's pace
  int VideoChannel = 0;            // "vc": input open (then 0)
  std::string VideoStandard;       // "tvstd": input open
  std::vector<TStreamMap> StreamMaps;      // "map": set-up's stream mapping (at most 400)
  std::vector<TMetadataMap> MetadataMaps;  // "map_meta_data": set-up's metadata copy
  std::array<int, kMaxStreams> StreamIdMap{};  // "streamid": stream creation (id per index)
  // "itsscale": [input file][stream] timestamp scale, read by the transcode loop.
  std::array<std::array<double, kMaxStreams>, kMaxFiles> InputTsScale = DefaultTsScale();

  // --- video ---
  int FrameWidth = 0, FrameHeight = 0;  // "s"; input open sets the input's; crops reduce it
  float FrameAspectRatio = 0.0f;        // "aspect" (0 = not set): stream creation
  AVPixelFormat PixelFormat = AV_PIX_FMT_NONE;  // "pix_fmt"; input open sets the input's
  int CropTop = 0, CropBottom = 0, CropLeft = 0, CropRight = 0;  // set-up's crop
  AVRational FrameRate{0, 0};      // "r" (den 0 = not set); input open sets the input's
  float VideoQScale = 0.0f;        // "qscale" (0 = not set): stream creation
  std::optional<TQuantMatrix> IntraMatrix;  // "intra_matrix": stream creation
  std::optional<TQuantMatrix> InterMatrix;  // "inter_matrix": stream creation
  std::string RcOverride;          // "rc_override" (empty = none): stream creation
  int VideoDiscard = 0;            // "vdt": input open
  bool VideoDisable = false;       // "vn": input open, output open; cleared by a new stream
  std::string VideoCodecName;      // "vcodec": decoder at input open, encoder at stream creation
  bool VideoStreamCopy = false;    // "vcodec"=copy: stream creation
  uint32_t VideoCodecTag = 0;      // "vtag": stream creation
  std::string VideoLanguage;       // "vlang": stream creation (then cleared)
  bool SameQuality = false;        // "sameq": stream creation, video output
  bool Deinterlace = false;        // "deinterlace": set-up's filter chain
  int TopFieldFirst = -1;          // "top": video output
  int MeThreshold = 0;             // "me_threshold": input open, stream creation
  int IntraDcPrecision = 8;        // "dc": stream creation
  bool QpHistogram = false;        // "qphist": status lines
  std::string VideoFilters;        // "vf"/"vfilters": set-up's filter graph
  bool IntraOnly = false;          // "intra": stream creation (gop 0)
  int VideoSyncMethod = -1;        // "vsync": video output (-1 = automatic)
  int VideoGlobalHeader = 0;       // "vglobal": stream creation
  std::string VideoStatsFileName;  // "vstats", "vstats_file": video statistics (empty = none)
  int CopyInitialNonKeyframes = 0; // "copyinkf": packet processing of copied streams
  bool ForceFps = false;           // "force_fps": stream creation
  bool UsingFrameHooks = false;    // "vhook": video pre-processing
  bool DoPsnr = false;             // "psnr": stream creation, status lines
  int PassNumber = 0;              // "pass" (1 or 2): stream creation, two-pass logs
  std::string PassLogFilePrefix;   // "passlogfile": two-pass logs

  // --- audio ---
  int AudioSampleRate = 44100;     // "ar"; input open sets the input's
  float AudioQScale = -99999.0f;   // "aq" (-99999 = not set): stream creation
  bool AudioDisable = false;       // "an"
  int AudioChannels = 2;           // "ac"; input open sets the input's
  uint64_t AudioChannelLayout = 0; // input open sets the input's layout mask (0 = unknown)
  AVSampleFormat SampleFormat = AV_SAMPLE_FMT_NONE;  // "sample_fmt"; input open sets the input's
  std::string AudioCodecName;      // "acodec"
  bool AudioStreamCopy = false;    // "acodec"=copy
  uint32_t AudioCodecTag = 0;      // "atag"
  std::string AudioLanguage;       // "alang"
  int AudioVolume = 256;           // "vol" (256 = unchanged): audio output
  int AudioSyncMethod = 0;         // "async": audio output
  float AudioDriftThresholdS = 0.1f;  // "adrift_threshold": audio output

  // --- subtitles ---
  bool SubtitleDisable = false;    // "sn"
  std::string SubtitleCodecName;   // "scodec"
  bool SubtitleStreamCopy = false; // "scodec"=copy
  std::string SubtitleLanguage;    // "slang"
  uint32_t SubtitleCodecTag = 0;   // "stag"

  // --- frame limits, indexed by AVMediaType: video, audio, data, subtitle ---
  std::array<int, 4> MaxFrames{INT_MAX, INT_MAX, INT_MAX, INT_MAX};  // "vframes", "aframes", "dframes"

  // --- muxing and the loop ---
  float MuxPreloadS = 0.5f;        // "muxpreload": output open
  float MuxMaxDelayS = 0.7f;       // "muxdelay": output open
  bool CopyTimestamps = false;     // "copyts": input open, transcode loop
  bool Shortest = false;           // "shortest": transcode loop
  bool InputSync = false;          // "isync": set-up
  float DtsDeltaThresholdS = 10.0f;  // "dts_delta_threshold": packet processing
  bool ExitOnError = false;        // "xerror": transcode loop
  bool HexDump = false;            // "hex": packet processing
  bool PacketDump = false;         // "dump": packet processing
  int Verbosity = 1;               // "v": messages of the opens and the loop
  int ThreadCount = 0;             // "threads": codec thread count (0 = automatic)

  // --- bitstream filters by kind: stream creation takes (and empties) its kind's chain ---
  std::vector<std::string> VideoBitstreamFilters;     // "vbsf"
  std::vector<std::string> AudioBitstreamFilters;     // "absf"
  std::vector<std::string> SubtitleBitstreamFilters;  // "sbsf"

  static std::array<std::array<double, kMaxStreams>, kMaxFiles> DefaultTsScale() {
    std::array<std::array<double, kMaxStreams>, kMaxFiles> scale{};
    for (auto& file : scale) file.fill(1.0);
    return scale;
  }
};

// The whole state: the values plus the objects that own library resources.
struct TOptionState : TOptionValues {
  // Codec (per kind), format and scaler parameter contexts of the fallback setter, and the list
  // of settings made through them: the set-up copies them into the real contexts.
  TGenericOptions Generic;
  // "vhook": run per video frame by the video pre-processing; released with the state.
  TFrameHookChain FrameHooks;

  // Scaler flags for the set-up's scalers ("sws_flags" through the fallback setter).
  int ScalerFlags() const { return Generic.ScalerFlags(); }
};

// Restores every default: values, frame hooks (released), generic contexts (renewed).
void ResetOptions(TOptionState& state);

}  // namespace zanto::engine
