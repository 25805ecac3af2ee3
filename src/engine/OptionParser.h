#pragma once
// The option dispatcher and the appliers of the caller's option records and option text.
//
// Every task option arrives as a name and a value, both text, in the vocabulary of the ffmpeg
// command-line tool. SetOption sets the task's option state (OptionState.h); names it does not
// know go to the generic setter over the library's AVOption tables. Effects that need the task
// itself (adding a stream to the last output, opening an output, the log) go through
// IOptionActions, which the task core implements and tests replace by a fake.
//
// Failures raise FFmpegException with the user's text ("Incorrect frame size", "'%s' is not a
// valid integer value", ...).
#include <string>
#include <vector>

#include "engine/FFmpegException.h"
#include "engine/OptionState.h"
#include "engine/Options.h"
#include "media/FFmpeg.h"
#include "media/MediaLogger.h"

namespace zanto::engine {

// What the dispatcher needs from the task that owns the option state.
class IOptionActions {
 public:
  virtual ~IOptionActions() = default;

  // Engine messages ("Do nothing: option - L", the bit-rate warning ...) through the task's log.
  virtual void Log(media::TLogLevel level, const std::string& text) = 0;

  // Files opened so far by the task. An output opened in join mode counts once per entry.
  virtual int InputFileCount() const = 0;
  virtual int OutputFileCount() const = 0;

  // The frame rate of every video stream of every opened input, in order of files and streams
  // (frames per second as a fraction, e.g. 30000/1001). "target" with norm "auto" reads them
  // when the option state has no frame rate that decides.
  virtual std::vector<AVRational> InputVideoFrameRates() const = 0;

  // "newvideo", "newaudio", "newsubtitle": add one stream of that kind to the last output file,
  // reading and clearing that kind's part of the option state. Raise FFmpegException on failure.
  // Called only when OutputFileCount() > 0.
  virtual void NewVideoStream() = 0;
  virtual void NewAudioStream() = 0;
  virtual void NewSubtitleStream() = 0;

  // "t": the task's TotalDuration follows the recording time.
  virtual void SetTotalDuration(int64_t durationUs) = 0;

  // ApplyOutputOptions opens the output after applying the record: True when it opened, False
  // with the task's LastErrorText set (the caller reports it). May raise FFmpegException.
  virtual bool OpenOutputFile(const std::string& fileName, bool join) = 0;
};

// One option, in the vocabulary's order of tests (the first match wins). Names are compared
// exactly; option text is lower-cased by ApplyOptionText beforehand.
void SetOption(TOptionState& state, IOptionActions& actions, const std::string& name,
               const std::string& value);

// The fallback setter over the library's codec, format and scaler parameters: True when the name
// was found and the value accepted. When the video or format context's debug flags become
// non-zero, the logger's level becomes llDebug.
bool SetGenericOption(TOptionState& state, const std::string& name, const std::string& value);

// Target presets (vcd, svcd, dvd, dv, dv50). norm: "pal", "ntsc", "film" or "auto";
// defaultNorm decides when "auto" cannot ("film", "ntsc", anything else PAL).
void ApplyTarget(TOptionState& state, IOptionActions& actions, const std::string& targetType,
                 const std::string& norm, const std::string& defaultNorm);

// kind: "apre", "vpre", "spre" or "fpre"; presetName: a built-in preset (with or without the
// codec prefix) or a preset file. Nothing happens for an empty name.
void ApplyPreset(TOptionState& state, IOptionActions& actions, const std::string& kind,
                 const std::string& presetName);

// Option text: one "name=value" per line (any line break, or the literal "<CRLF>"); names are
// lower-cased. asInput skips the output-only names; otherwise the stream-group names are skipped
// too (ApplyOutputOptions hands them over per stream).
void ApplyOptionText(TOptionState& state, IOptionActions& actions, const std::string& text,
                     bool asInput);

// The record of an input, before the input is opened: ExtOptions as input options, then "f",
// the start time (when set) and "programid" (when 0 or more). The caller opens the input.
void ApplyInputOptions(TOptionState& state, IOptionActions& actions,
                       const TInputOptions& options);

// The record of an output: the stream-group list (def_* values and ExtOptions' codec, preset,
// size and filter lines), the target preset, codecs, presets, ExtOptions, the remaining fields in
// the record's order, the metadata, then "s" and "vf"; then actions.OpenOutputFile(fileName,
// options->Join); then each "newaudio"/"newvideo"/"newsubtitle" line of ExtOptions with its group
// of options. options == nullptr only opens the output. Returns the open's result.
bool ApplyOutputOptions(TOptionState& state, IOptionActions& actions, const std::string& fileName,
                        const TOutputOptions* options);

}  // namespace zanto::engine
