#pragma once
// The one process-wide codec lock, held around every codec open and close and around reading
// stream information, by the engine, the probe and the player alike.
#include <mutex>

namespace zanto::media {

std::mutex& CodecLock();

}  // namespace zanto::media
