#include "player/FileSource.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zanto::player {

namespace {
constexpr int kBufferSize = 65536;
constexpr int kPollMs = 50;
}  // namespace

std::unique_ptr<TFileSource> TFileSource::Open(const std::string& path,
                                               const std::atomic<bool>& abort, int& error) {
  error = 0;
  if (path.find("://") != std::string::npos) return nullptr;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    // A missing file is reported as such; other names (patterns) go to the library.
    if (errno == ENOENT && path.find('%') == std::string::npos) error = AVERROR(ENOENT);
    return nullptr;
  }
  if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) return nullptr;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = AVERROR(errno);
    return nullptr;
  }
  std::unique_ptr<TFileSource> source(new TFileSource(fd, S_ISREG(st.st_mode), abort));
  auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
  if (buffer)
    source->Context_ = avio_alloc_context(buffer, kBufferSize, 0, source.get(), &TFileSource::Read,
                                          nullptr, &TFileSource::Seek);
  if (!source->Context_) {
    av_free(buffer);
    error = AVERROR(ENOMEM);
    return nullptr;
  }
  source->Context_->seekable = source->Seekable_ ? AVIO_SEEKABLE_NORMAL : 0;
  return source;
}

TFileSource::TFileSource(int fd, bool seekable, const std::atomic<bool>& abort)
    : Fd_(fd), Seekable_(seekable), Abort_(abort) {}

TFileSource::~TFileSource() {
  if (Context_) {
    av_freep(&Context_->buffer);
    avio_context_free(&Context_);
  }
  ::close(Fd_);
}

int TFileSource::Read(void* opaque, uint8_t* buffer, int size) {
  auto* self = static_cast<TFileSource*>(opaque);
  for (;;) {
    if (self->Abort_) return AVERROR_EXIT;
    const ssize_t n = ::read(self->Fd_, buffer, static_cast<size_t>(size));
    if (n > 0) return static_cast<int>(n);
    if (n == 0) return AVERROR_EOF;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return AVERROR(errno);
    pollfd p{self->Fd_, POLLIN, 0};
    ::poll(&p, 1, kPollMs);
  }
}

int64_t TFileSource::Seek(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<TFileSource*>(opaque);
  if (whence & AVSEEK_SIZE) {
    struct stat st {};
    if (!self->Seekable_ || fstat(self->Fd_, &st) != 0) return -1;
    return st.st_size;
  }
  if (!self->Seekable_) return AVERROR(ESPIPE);
  const off_t pos = ::lseek(self->Fd_, offset, whence & ~AVSEEK_FORCE);
  return pos < 0 ? AVERROR(errno) : pos;
}

}  // namespace zanto::player
