#include "media/MediaLoader.h"

#include <dlfcn.h>

#include <mutex>

#include "media/FFmpeg.h"
#include "media/MediaLogger.h"

namespace zanto::media {
namespace {

// dladdr wants a data pointer; a function's address converts through an integer.
template <typename F>
const void* AddressOf(F* fn) {
  return reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(fn));
}

std::string FileName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct LoadState {
  std::mutex Mutex;
  bool Tried = false;
  bool Loaded = false;
  std::string Error;
};

LoadState& State() {
  static LoadState state;
  return state;
}

}  // namespace

std::vector<TLibraryItem> MediaLibrarySet() {
  return {
      {"avcodec", LIBAVCODEC_VERSION_MAJOR, avcodec_version, AddressOf(&avcodec_version)},
      {"avfilter", LIBAVFILTER_VERSION_MAJOR, avfilter_version, AddressOf(&avfilter_version)},
      {"avformat", LIBAVFORMAT_VERSION_MAJOR, avformat_version, AddressOf(&avformat_version)},
      {"avutil", LIBAVUTIL_VERSION_MAJOR, avutil_version, AddressOf(&avutil_version)},
      {"swscale", LIBSWSCALE_VERSION_MAJOR, swscale_version, AddressOf(&swscale_version)},
      {"swresample", LIBSWRESAMPLE_VERSION_MAJOR, swresample_version,
       AddressOf(&swresample_version)},
  };
}

std::string LibraryFileOf(const void* symbol) {
  Dl_info info{};
  if (symbol && dladdr(symbol, &info) && info.dli_fname) return info.dli_fname;
  return {};
}

bool LoadLibrarySet(const std::vector<TLibraryItem>& set, const std::string& folder,
                    std::string& lastError) {
  for (const auto& item : set) {
    const unsigned major = item.RuntimeVersion ? item.RuntimeVersion() >> 16 : 0;
    if (static_cast<int>(major) == item.Version) continue;
    std::string file = LibraryFileOf(item.Symbol);
    if (file.empty()) file = "lib" + item.Name + ".so." + std::to_string(item.Version);
    // Name the library as it would be found in the program's own folder when one is given.
    if (!folder.empty()) {
      const std::string dir = folder.back() == '/' ? folder : folder + "/";
      if (file.rfind(dir, 0) != 0) file = dir + FileName(file);
    }
    lastError = "Load library " + file + " error: version " + std::to_string(major) +
                " found, version " + std::to_string(item.Version) + " required";
    return false;
  }
  av_log_set_callback(&TMediaLogger::LibraryCallback);
  return true;
}

bool LoadMediaLibraries(const std::string& folder, std::string& lastError) {
  LoadState& s = State();
  std::lock_guard lock(s.Mutex);
  if (!s.Tried) {
    s.Tried = true;
    s.Loaded = LoadLibrarySet(MediaLibrarySet(), folder, s.Error);
  }
  if (!s.Loaded) lastError = s.Error;
  return s.Loaded;
}

bool MediaLibrariesLoaded() {
  std::lock_guard lock(State().Mutex);
  return State().Loaded;
}

}  // namespace zanto::media
