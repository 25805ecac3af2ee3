#pragma once
// Adding files to the list: each file is opened once as an engine task to learn its duration,
// and gets a row with a fresh record and a free destination name.
#include <string>
#include <vector>

#include "app/FileList.h"
#include "app/Settings.h"
#include "engine/FFmpegEngine.h"
#include "formats/FormatStore.h"

namespace zanto::app {

// The Add dialog's file filter (the WMV MP4 edition's, in force), in Qt's "Name (*.a *.b)" form.
std::string AddDialogFilter();

// Adds the files in the given order: folders, unreadable paths, files already in the list (same
// path, letter case counts) and files the engine cannot open are skipped without a message.
// Returns the number of rows added.
int AddFilesToList(engine::TFFmpegEngine& engine, TFileList& list, TSettings& settings,
                   const formats::TFormatStore& store, const std::vector<std::string>& files);

}  // namespace zanto::app
