#pragma once
// Frame-hook libraries ("vhook"): shared libraries with the entry points Configure, Process and
// Release that see every decoded video picture. Libraries are loaded once per process and stay
// loaded until exit; each hook added to a task gets its own context, released with the chain.
#include <cstdint>
#include <string>
#include <vector>

namespace zanto::engine {

// The picture as the hook libraries receive it: four planes and their line sizes.
struct THookPicture {
  uint8_t* data[4] = {nullptr, nullptr, nullptr, nullptr};
  int linesize[4] = {0, 0, 0, 0};
};

using FrameHookConfigureFn = int (*)(void** context, int argc, char* argv[]);
using FrameHookProcessFn = void (*)(void* context, THookPicture* picture, int pixelFormat,
                                    int width, int height, int64_t pts);
using FrameHookReleaseFn = void (*)(void* context);

struct TFrameHook {
  FrameHookConfigureFn Configure = nullptr;
  FrameHookProcessFn Process = nullptr;
  FrameHookReleaseFn Release = nullptr;
  void* Context = nullptr;
};

class TFrameHookChain {
 public:
  TFrameHookChain() = default;
  TFrameHookChain(const TFrameHookChain&) = delete;
  TFrameHookChain& operator=(const TFrameHookChain&) = delete;
  ~TFrameHookChain() { Clear(); }

  // Adds the hook described by the option's value (library file, then its arguments, split at
  // "|" when present, otherwise at spaces). False on failure; details went to the library's log.
  bool Add(const std::string& command);

  // Runs every hook over one picture (AVPixelFormat value in pixelFormat).
  void Process(THookPicture& picture, int pixelFormat, int width, int height, int64_t pts) const;

  // Calls Release for each hook and empties the chain.
  void Clear();

  bool Empty() const { return Hooks_.empty(); }
  size_t Count() const { return Hooks_.size(); }

 private:
  std::vector<TFrameHook> Hooks_;
};

// The hook command split into arguments ("|" separates when present, else spaces; consecutive
// separators count once; at most 254 arguments).
std::vector<std::string> SplitHookArguments(const std::string& command);

}  // namespace zanto::engine
