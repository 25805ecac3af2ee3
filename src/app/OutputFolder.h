#pragma once
// The output folder box of the main window and the folder chooser's acceptance rule.
#include <string>

#include "app/Settings.h"

namespace zanto::app {

// The folder the box text stands for on this system ("c:\videoconverter" maps into the home
// folder).
std::string OutputFolderPath(const std::string& boxText);

// Browse: a chosen folder that is not empty and differs from the box's text is written to
// OutPutDir and becomes the box's text. Returns whether it did.
bool AcceptBrowsedFolder(TSettings& settings, std::string& boxText, const std::string& selectedDir);

// Open: shows OutPutDir in the file manager when the box's text is longer than 2 characters.
bool OpenOutputFolder(const TSettings& settings, const std::string& boxText);

// The chooser's "Ok": a folder on a CD-ROM drive is refused with a message and gives an empty
// result; any other folder is the result.
std::string AcceptChosenFolder(const std::string& appTitle, const std::string& folder);

}  // namespace zanto::app
