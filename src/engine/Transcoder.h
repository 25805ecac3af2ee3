#pragma once
// One run of a task: the set-up (stream tables, mapping, codecs, the files and their headers),
// the loop (read, decode, hook, filter, encode, interleave), progress, trailers and tear-down.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/AudioOutput.h"
#include "engine/OptionState.h"
#include "engine/PacketWriter.h"
#include "engine/Streams.h"
#include "engine/SubtitleOutput.h"
#include "engine/VideoHook.h"
#include "engine/VideoOutput.h"
#include "media/FFmpeg.h"
#include "media/FFmpegPtr.h"

namespace zanto::engine {

class ITranscodeHost;

struct TInputStream {
  int FileIndex = 0;
  int StreamIndex = 0;
  AVStream* Stream = nullptr;
  bool Discard = true;  // no output takes it
  bool Decoding = false;
  media::CodecContextPtr Decoder;
  int64_t NextPtsUs = AV_NOPTS_VALUE;
  int64_t PtsUs = 0;
  bool PastRecordingTime = false;
  bool Flushed = false;
  int64_t StartWallUs = 0;  // rate emulation: when the stream's first packet was read
  std::vector<int> Outputs;  // output streams fed by this one
};

struct TOutputStream {
  int FileIndex = 0;
  int Index = 0;  // within its file
  AVStream* Stream = nullptr;
  const TStreamRequest* Request = nullptr;
  int Source = -1;  // input stream
  int Sync = -1;
  bool Copy = false;
  std::unique_ptr<TVideoOutput> Video;
  std::unique_ptr<TAudioOutput> Audio;
  std::unique_ptr<TSubtitleOutput> Subtitle;
  TPacketWriter Writer;
  // Copied streams.
  bool SeenKeyFrame = false;
  int64_t CopiedFrames = 0;
  int64_t CopiedBytes = 0;
  double CopyTimeSec = 0.0;
  media::PacketPtr CopyBuffer;

  double OutputTimeSec() const;
  bool LimitReached(const TOptionValues& options) const;
};

struct TOutputContext {
  TOutputFile* File = nullptr;
  media::OutputFormatPtr Context;
  bool HeaderWritten = false;
  bool Complete = false;  // the trailer and every byte before it reached the file
};

class TTranscoder {
 public:
  TTranscoder(std::vector<TInputFile>& inputs, std::vector<TOutputFile>& outputs,
              const TOptionValues& options, int scalerFlags, bool join, ITranscodeHost& host,
              int64_t totalDurationUs, int64_t progressIntervalUs,
              const TFrameHookChain* frameHooks = nullptr);
  ~TTranscoder();
  TTranscoder(const TTranscoder&) = delete;
  TTranscoder& operator=(const TTranscoder&) = delete;

  // Raises FFmpegException with the user's text on any fatal condition. Returns normally when
  // the inputs ended, a limit was reached or a stop was requested.
  void Run();

  // Closes what is still open and removes output files that received no packet.
  void TearDown();

 private:
  // Set-up (TranscodeSetup.cpp).
  void BuildInputStreams();
  void CreateOutputs();
  void MapStreams();
  void ConfigureStream(TOutputStream& ost);
  void OpenEncoders();
  void OpenDecoders();
  void WriteHeaders();
  void MappingReport();
  [[noreturn]] void FailAfterReport(const std::string& text, bool logError);

  // Loop (TranscodeLoop.cpp).
  int ChooseInputFile();
  // Join mode: the current input ended; the next one continues where the outputs are.
  bool AdvanceJoinedInput();
  void MapJoinedInputs();
  void ProcessPacket(TInputStream& ist, AVPacket* packet);
  void ProcessFrame(TInputStream& ist, AVFrame* frame);
  void DecodeSubtitle(TInputStream& ist, AVPacket* packet);
  void CopyPacket(TInputStream& ist, TOutputStream& ost, const AVPacket* packet);
  void FlushInput(TInputStream& ist);
  void FlushOutputs();
  void WriteTrailers();
  void Report(int fileIndex, bool last);
  int64_t FirstOutputSize() const;

  std::vector<TInputFile>& Inputs_;
  std::vector<TOutputFile>& Outputs_;
  const TOptionValues& Options_;
  int ScalerFlags_;
  std::shared_ptr<TVideoStatsFile> VideoStats_;  // the task's video statistics file, when asked for
  bool Join_;  // every input in turn into the one output
  const TFrameHookChain* FrameHooks_;  // "vhook" libraries, or nullptr
  int JoinCurrent_ = 0;
  ITranscodeHost& Host_;
  int64_t TotalDurationUs_;
  int64_t ProgressIntervalUs_;

  std::vector<TInputStream> InputStreams_;
  std::vector<int> FirstStreamOfFile_;
  std::vector<bool> FileEnded_;
  std::vector<TOutputStream> OutputStreams_;
  std::vector<TOutputContext> OutputContexts_;
  TVideoHook Hook_;
  media::PacketPtr Packet_ = media::MakePacket();
  media::FramePtr Frame_ = media::MakeFrame();
  int64_t StartWallUs_ = 0;
  int64_t LastReportUs_ = 0;
  bool TrailersWritten_ = false;
};

}  // namespace zanto::engine
