#include "media/CodecLock.h"

namespace zanto::media {

std::mutex& CodecLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace zanto::media
