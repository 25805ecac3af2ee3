#pragma once
// The two catalogue tables of output formats: the video converter edition's (28 device
// categories) and the WMV MP4 edition's (4 categories). Both number their categories from 0;
// the catalogue merges them (Catalogue.h).
#include <span>
#include <string_view>
#include <vector>

namespace zanto::formats {

struct TCategoryDef {
  std::string_view Caption;
  std::vector<std::string_view> Rows;  // row index = position
};

std::span<const TCategoryDef> VideoConverterCatalogue();
std::span<const TCategoryDef> WmvMp4Catalogue();

}  // namespace zanto::formats
