#include "app/AddFiles.h"

#include <filesystem>

#include "app/DestinationName.h"
#include "media/MediaProbe.h"

namespace zanto::app {
namespace fs = std::filesystem;

std::string AddDialogFilter() {
  return "Windows Media files (*.wmv *.asf);;Windows Media Audio files (*.wma);;"
         "MPEG4 files (*.mp4);;Itunes Video files (*.m4v);;MPEG-4 Audio files (*.m4a)";
}

int AddFilesToList(engine::TFFmpegEngine& engine, TFileList& list, TSettings& settings,
                   const formats::TFormatStore& store, const std::vector<std::string>& files) {
  engine.ClearTasks();
  const int code = settings.FormatCode();
  const std::string ext = store.FileExt(code);
  const std::string zoom = store.ReadChoice(code, "parazoom", "lbox");
  int added = 0;
  for (const auto& file : files) {
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (ec || fs::is_directory(status) || !fs::exists(status)) continue;
    if (list.Contains(file)) continue;
    const std::string destination = MakeDestinationName(settings, file, "_ipod." + ext);
    engine::TInputOptions input;
    input.FileName = file;
    const int task = engine.AddTask(file, &input);
    if (task < 0) continue;
    media::TFileStreamInfo info;
    engine.TaskProbe(task, 0).GetFileStreamInfo(info);
    list.Add(file, info.Duration, fs::path(destination).filename().string(), zoom);
    ++added;
    // The task only served to probe the file.
    engine.RemoveTask(task);
    engine.ClearTasks();
  }
  list.Select(-1);
  return added;
}

}  // namespace zanto::app
