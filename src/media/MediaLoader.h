#pragma once
// The media libraries are linked directly; the executable's run path lists "LibAV" beside it
// first. Loading checks that every library of the set answers with the major version the
// program was built with, then installs the log callback. All or nothing.
#include <functional>
#include <string>
#include <vector>

namespace zanto::media {

struct TLibraryItem {
  std::string Name;                // "avcodec"
  int Version;                     // major version the program was built with
  std::function<unsigned()> RuntimeVersion;  // the library's own version number
  const void* Symbol;              // any function of the library, to find its file
};

// avcodec, avfilter, avformat, avutil, swscale, swresample, in that order.
std::vector<TLibraryItem> MediaLibrarySet();

// Loads (checks) the set. On failure returns False and sets lastError to
// "Load library %s error: %s" naming the first library that does not match. The folder, when
// given, names where the program expects the libraries ("LibAV" beside the executable).
bool LoadLibrarySet(const std::vector<TLibraryItem>& set, const std::string& folder,
                    std::string& lastError);
// LoadLibrarySet(MediaLibrarySet(), folder, ...) once per process; later calls repeat the result.
bool LoadMediaLibraries(const std::string& folder, std::string& lastError);
bool MediaLibrariesLoaded();

// The file a library was loaded from (empty when unknown).
std::string LibraryFileOf(const void* symbol);

}  // namespace zanto::media
