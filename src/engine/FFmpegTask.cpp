#include "engine/FFmpegTask.h"

#include "engine/Transcoder.h"
#include "media/MediaLogger.h"
#include "media/MediaProbe.h"

namespace zanto::engine {

TCustomFFmpeg::TCustomFFmpeg() { ResetOptions(State_); }

TCustomFFmpeg::~TCustomFFmpeg() {
  // A task is stopped, and its thread waited for, before it goes.
  RequestStop();
  JoinThread();
  Thread_.reset();
  FreeFiles();
}

void TCustomFFmpeg::ResetToDefaults() {
  FreeFiles();
  ResetOptions(State_);
  JoinMode_ = false;
  TotalDuration_ = -1;
  LoggedAliases_.clear();
}

void TCustomFFmpeg::Log(media::TLogLevel level, const std::string& text) {
  media::GetLogger().LogMessage(this, level, text);
}

std::string TCustomFFmpeg::ExceptionMsg() const {
  std::lock_guard lock(MessageMutex_);
  return ExceptionMsg_;
}

std::vector<AVRational> TCustomFFmpeg::InputVideoFrameRates() const {
  std::vector<AVRational> rates;
  for (const TInputFile& file : Inputs_) {
    AVFormatContext* ic = file.Context.get();
    for (unsigned s = 0; s < ic->nb_streams; ++s)
      if (ic->streams[s]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
        rates.push_back(av_guess_frame_rate(ic, ic->streams[s], nullptr));
  }
  return rates;
}

void TCustomFFmpeg::DropLastOutput() {
  if (!Outputs_.empty()) Outputs_.pop_back();
}

void TCustomFFmpeg::FreeFiles() {
  for (TInputFile& file : Inputs_)
    if (file.Probe) file.Probe->CloseFile();  // the probe only borrowed the context
  Inputs_.clear();
  Outputs_.clear();
}

// --- events towards the component ---

bool TCustomFFmpeg::HookAttached() const {
  return HookTarget && !HookDetached_ && HookTarget->HasHookHandler();
}

void TCustomFFmpeg::CallHook(THookInfo& info) {
  if (HookTarget) HookTarget->TaskHook(*this, info);
}

bool TCustomFFmpeg::PreviewWanted() const {
  const int flags = PreviewFlags;
  return ((flags & kPreviewBitmap) && PreviewTarget && PreviewTarget->HasPreviewHandler()) ||
         ((flags & kPreviewWindow) && Previewer);
}

void TCustomFFmpeg::DeliverPreview(const TPreviewInfo& info) {
  const int flags = PreviewFlags;
  if ((flags & kPreviewBitmap) && PreviewTarget && PreviewTarget->HasPreviewHandler())
    PreviewTarget->TaskPreview(*this, info);
  else if ((flags & kPreviewWindow) && Previewer && info.Bitmap)
    Previewer(*info.Bitmap, info.PTS);
}

bool TCustomFFmpeg::HasProgressHandler() const {
  return ProgressTarget && ProgressTarget->HasProgressHandler();
}

void TCustomFFmpeg::DeliverProgress(const TProgressInfo& info) {
  if (ProgressTarget) ProgressTarget->TaskProgress(*this, info);
}

// --- running ---

void TCustomFFmpeg::RequestStop() {
  StopFlag_ = true;
  Gate_.Open();  // a paused task must see the request
}

void TCustomFFmpeg::JoinThread() {
  if (Thread_) Thread_->Join();
}

void TCustomFFmpeg::Fail(const std::string& message) {
  Log(media::llQuiet, message);
  ExceptionRaised_ = true;
  std::lock_guard lock(MessageMutex_);
  ExceptionMsg_ = message;
}

TConvertThread* TCustomFFmpeg::Start(bool threaded, TThreadPriority priority) {
  if (Running_ || Terminated_) return nullptr;
  if (Outputs_.empty()) {
    FreeFiles();
    Fail("At least one output file must be specified");
    Terminate();
    return nullptr;
  }
  if (Inputs_.empty()) {
    Fail("At least one input file must be specified");
    Terminate();
    return nullptr;
  }
  Running_ = true;
  StopFlag_ = false;
  Finished_ = false;
  Terminated_ = false;
  if (!threaded) {
    Execute();
    return nullptr;
  }
  // Reset before the thread exists, so a waiting Stop never sees a stale "done".
  ThreadDone.Reset();
  Thread_ = std::make_unique<TConvertThread>([this] { Execute(); }, priority);
  return Thread_.get();
}

void TCustomFFmpeg::Execute() {
  ThreadDone.Reset();
  Finished_ = false;
  try {
    Transcode();
  } catch (const std::exception& e) {
    Fail(e.what());
  } catch (...) {
    Fail("Unknown error");
  }
  try {
    FreeFiles();
  } catch (const std::exception& e) {
    Log(media::llQuiet, e.what());
  }
  try {
    Terminate();
  } catch (const std::exception& e) {
    Log(media::llQuiet, e.what());
  }
  ThreadDone.Set();
}

void TCustomFFmpeg::Transcode() {
  // The transcoder's tear-down (codecs closed under the lock, files closed, empty outputs
  // removed) runs when it leaves this scope, also after an exception.
  TTranscoder transcoder(Inputs_, Outputs_, State_, State_.ScalerFlags(), JoinMode_, *this,
                         TotalDuration_, ProgressIntervalUs, &State_.FrameHooks);
  transcoder.Run();
  Finished_ = !StopFlag_;
}

void TCustomFFmpeg::Terminate() {
  Running_ = false;
  Terminated_ = true;
  if (TerminateTarget) TerminateTarget->TaskTerminated(*this);
}

void TCustomFFmpeg::TerminateUnstarted() {
  if (Running_ || Terminated_) return;
  Finished_ = false;
  Terminate();
}

}  // namespace zanto::engine
