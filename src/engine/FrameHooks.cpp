#include "engine/FrameHooks.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "media/FFmpeg.h"

namespace zanto::engine {

namespace {

constexpr size_t kMaxHookArguments = 254;

// Hook libraries stay loaded for the life of the process: a library may keep state between
// tasks, and a context released late must still find its code. One handle per path.
class THookLibraries {
 public:
  ~THookLibraries() {
    for (auto& [path, handle] : Handles_) dlclose(handle);
  }
  void* Load(const std::string& path) {
    std::lock_guard lock(Mutex_);
    if (auto it = Handles_.find(path); it != Handles_.end()) return it->second;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* error = dlerror();
      av_log(nullptr, AV_LOG_ERROR, "%s\n", error ? error : "cannot load library");
      return nullptr;
    }
    Handles_.emplace(path, handle);
    return handle;
  }

 private:
  std::mutex Mutex_;
  std::map<std::string, void*> Handles_;
};

THookLibraries& HookLibraries() {
  static THookLibraries libraries;
  return libraries;
}

template <typename Fn>
Fn Symbol(void* handle, const char* name) {
  return reinterpret_cast<Fn>(dlsym(handle, name));
}

}  // namespace

std::vector<std::string> SplitHookArguments(const std::string& command) {
  const char separator = command.find('|') != std::string::npos ? '|' : ' ';
  std::vector<std::string> args;
  std::string current;
  for (char c : command) {
    if (c == separator) {
      if (!current.empty()) args.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) args.push_back(std::move(current));
  if (args.size() > kMaxHookArguments) args.resize(kMaxHookArguments);
  return args;
}

bool TFrameHookChain::Add(const std::string& command) {
  std::vector<std::string> args = SplitHookArguments(command);
  if (args.empty()) return false;
  const std::string& library = args[0];
  void* handle = HookLibraries().Load(library);
  if (!handle) return false;

  TFrameHook hook;
  hook.Configure = Symbol<FrameHookConfigureFn>(handle, "Configure");
  hook.Process = Symbol<FrameHookProcessFn>(handle, "Process");
  hook.Release = Symbol<FrameHookReleaseFn>(handle, "Release");
  if (!hook.Process) {
    av_log(nullptr, AV_LOG_ERROR, "Failed to find Process entrypoint in %s\n", library.c_str());
    return false;
  }
  if (!hook.Configure && args.size() > 1) {
    av_log(nullptr, AV_LOG_ERROR, "Failed to find Configure entrypoint in %s\n", library.c_str());
    return false;
  }
  if (hook.Configure) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (hook.Configure(&hook.Context, static_cast<int>(args.size()), argv.data()) != 0) {
      av_log(nullptr, AV_LOG_ERROR, "Failed to Configure %s\n", library.c_str());
      return false;
    }
  }
  Hooks_.push_back(hook);
  return true;
}

void TFrameHookChain::Process(THookPicture& picture, int pixelFormat, int width, int height,
                              int64_t pts) const {
  for (const TFrameHook& hook : Hooks_) hook.Process(hook.Context, &picture, pixelFormat, width, height, pts);
}

void TFrameHookChain::Clear() {
  for (const TFrameHook& hook : Hooks_)
    if (hook.Release) hook.Release(hook.Context);
  Hooks_.clear();
}

}  // namespace zanto::engine
