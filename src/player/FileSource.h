#pragma once
// Reads a local file for the demuxer through a descriptor that never blocks: a read that has to
// wait (a pipe or a stalled device) waits in short polls and gives up as soon as the playback is
// being closed, which the library's own file reading cannot do inside a blocking read.
#include <atomic>
#include <memory>
#include <string>

#include "media/FFmpeg.h"

namespace zanto::player {

class TFileSource {
 public:
  // Opens path; returns nullptr with a library error code in error when it cannot be opened,
  // or with error 0 when the path is not a local file or pipe (the library opens it itself).
  static std::unique_ptr<TFileSource> Open(const std::string& path, const std::atomic<bool>& abort,
                                           int& error);
  ~TFileSource();
  TFileSource(const TFileSource&) = delete;
  TFileSource& operator=(const TFileSource&) = delete;

  AVIOContext* Context() const { return Context_; }

 private:
  TFileSource(int fd, bool seekable, const std::atomic<bool>& abort);
  static int Read(void* opaque, uint8_t* buffer, int size);
  static int64_t Seek(void* opaque, int64_t offset, int whence);

  int Fd_;
  bool Seekable_;
  const std::atomic<bool>& Abort_;
  AVIOContext* Context_ = nullptr;
};

}  // namespace zanto::player
