#pragma once
// Output file names: a free name in the output folder built from the source's name.
#include <set>
#include <string>

#include "app/Settings.h"

namespace zanto::app {

// Makes sure the folder exists (with its parents). When it cannot be created, warns
// "Cannot create output directory:<folder>.It will create default directory C:\videoconverter!",
// creates the default folder and stores it under the given key. Returns the folder as this
// system names it (the one asked for, even when it failed).
std::string EnsureOutputFolder(TSettings& settings, const std::string& storedFolder,
                               const std::string& key);

// folder + source name without extension + "_(new)" + suffix, or "_(new_N)" with the first N
// whose file does not exist and that is not in `taken` (names already handed to earlier rows of
// the same batch, so two sources called alike never write to one file). No file is created.
std::string MakeDestinationName(TSettings& settings, const std::string& sourcePath,
                                const std::string& suffix,
                                const std::set<std::string>& taken = {});

// The same in a folder given directly (created when missing; raises std::runtime_error
// "Cannot create output directory:<folder>" when it cannot be).
std::string MakeDestinationNameIn(const std::string& folder, const std::string& sourcePath,
                                  const std::string& suffix,
                                  const std::set<std::string>& taken = {});

}  // namespace zanto::app
