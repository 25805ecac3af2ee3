#include "formats/VideoGeometry.h"

#include <algorithm>
#include <cctype>

#include "formats/NumberText.h"
#include "formats/ZoomGeometry.h"
#include "platform/MessageBox.h"

namespace zanto::formats {
namespace {

std::string Size(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }
std::string Ratio(int w, int h) { return std::to_string(w) + ":" + std::to_string(h); }

bool IsH263(const std::string& codec) {
  std::string lower = codec;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower == "h263";
}

// H.263 encodes only its standard picture sizes: a width between them goes up to the next one.
void SnapToH263(const std::string& videoSize, TTargetSize& size) {
  if (std::string("704x576,352x288,176x144,160x120,128x96").find(videoSize) != std::string::npos)
    return;
  if (size.Width > 176 && size.Width <= 352) size = {352, 288};
  else if (size.Width > 352) size = {704, 576};
}

void AppendFilter(std::string& chain, const std::string& filter) {
  if (filter.empty()) return;
  chain = chain.empty() ? filter : chain + "," + filter;
}

bool HasCrop(const TRowEdits& row) {
  return row.CropTop > 0 || row.CropBottom > 0 || row.CropLeft > 0 || row.CropRight > 0;
}

// The crop filter of this library takes the kept size first, then its top-left corner.
std::string CropFilter(int x, int y, int w, int h) {
  return "crop=" + std::to_string(w) + ":" + std::to_string(h) + ":" + std::to_string(x) + ":" +
         std::to_string(y);
}

std::string PadFilter(int w, int h, int x, int y) {
  return "pad=" + std::to_string(w) + ":" + std::to_string(h) + ":" + std::to_string(x) + ":" +
         std::to_string(y);
}

void Full(const TRowEdits& row, int w, int h, engine::TOutputOptions& out) {
  if (HasCrop(row)) {
    out.CropTop = row.CropTop;
    out.CropBottom = row.CropBottom;
    out.CropLeft = row.CropLeft;
    out.CropRight = row.CropRight;
  }
  out.FrameSize = Size(w, h);
  out.FrameAspectRatio = Ratio(w, h);
}

// The bars follow the picture that is kept, so a cropped picture keeps its own aspect ratio.
std::string LetterBox(const TRowEdits& row, int sw, int sh, int w, int h,
                      engine::TOutputOptions& out) {
  const int keptWidth = sw - row.CropLeft - row.CropRight;
  const int keptHeight = sh - row.CropTop - row.CropBottom;
  const TBars bars = LetterBoxBars(keptWidth, keptHeight, w, h);
  const int innerWidth = w - bars.Left - bars.Right;
  const int innerHeight = h - bars.Top - bars.Bottom;
  out.FrameAspectRatio = Ratio(innerWidth, innerHeight);
  const std::string pad = PadFilter(w, h, bars.Left, bars.Top);
  if (!HasCrop(row)) {
    out.FrameSize = Size(innerWidth, innerHeight);
    return pad;
  }
  return CropFilter(row.CropLeft, row.CropTop, keptWidth, keptHeight) + ",scale=" +
         std::to_string(innerWidth) + ":" + std::to_string(innerHeight) + "," + pad;
}

// Fills the target with a 4:3 cut of the source: the row's crop stays on the sides that are not
// cut, the cut sides lose an equal even amount.
void PanAndScan(const TRowEdits& row, int sw, int sh, int w, int h, engine::TOutputOptions& out) {
  const TPanCrop pan = PanAndScanCrop(sw, sh, sw - row.CropLeft - row.CropRight,
                                      sh - row.CropTop - row.CropBottom);
  out.CropLeft = pan.CutSides ? pan.Amount : row.CropLeft;
  out.CropRight = pan.CutSides ? pan.Amount : row.CropRight;
  out.CropTop = pan.CutTopBottom ? pan.Amount : row.CropTop;
  out.CropBottom = pan.CutTopBottom ? pan.Amount : row.CropBottom;
  out.FrameSize = Size(w, h);
  out.FrameAspectRatio = Ratio(w, h);
}

// The kept picture unscaled in the middle of the target: black around a smaller picture, an
// equal cut on both sides of a larger one. No frame size, so the engine does not scale.
std::string Center(const TRowEdits& row, int sw, int sh, int w, int h,
                   engine::TOutputOptions& out) {
  const int keptWidth = sw - row.CropLeft - row.CropRight;
  const int keptHeight = sh - row.CropTop - row.CropBottom;
  // Even sizes and offsets keep the chroma planes of 4:2:0 pictures aligned.
  const int innerWidth = std::max(2, std::min(keptWidth, w) / 2 * 2);
  const int innerHeight = std::max(2, std::min(keptHeight, h) / 2 * 2);
  out.FrameAspectRatio = Ratio(w, h);
  std::string filters;
  if (innerWidth != sw || innerHeight != sh)
    filters = CropFilter(row.CropLeft + (keptWidth - innerWidth) / 2 / 2 * 2,
                         row.CropTop + (keptHeight - innerHeight) / 2 / 2 * 2, innerWidth,
                         innerHeight);
  if (innerWidth != w || innerHeight != h)
    AppendFilter(filters, PadFilter(w, h, (w - innerWidth) / 2 / 2 * 2,
                                    (h - innerHeight) / 2 / 2 * 2) + ":black");
  return filters;
}

}  // namespace

TTargetSize ResolveTargetSize(const std::string& videoSize, const std::string& videoCodec,
                              int sourceWidth, int sourceHeight) {
  const TTargetSize source{sourceWidth, sourceHeight};
  if (videoSize == "as source") return source;
  const auto x = videoSize.find('x');
  if (x != std::string::npos && x > 0 && x + 1 < videoSize.size()) {
    const std::string width = videoSize.substr(0, x), height = videoSize.substr(x + 1);
    TTargetSize size{IsWholeNumber(width) ? WholeNumberValue(width) : sourceWidth,
                     IsWholeNumber(height) ? WholeNumberValue(height) : sourceHeight};
    // A stored size of zero or below is as unusable as one without digits.
    const bool usable = !(IsWholeNumber(width) && size.Width <= 0) &&
                        !(IsWholeNumber(height) && size.Height <= 0);
    if (usable) {
      if (IsH263(videoCodec)) SnapToH263(videoSize, size);
      return size;
    }
  }
  const int answer = platform::TMessageBox::Show(kBadSizeQuestion, "Warning",
                                                 platform::MB_YESNO | platform::MB_ICONQUESTION);
  if (answer == platform::IDYES) return {320, 240};
  return source;
}

void ApplyZoom(const TRowEdits& row, int sw, int sh, const TTargetSize& target,
               engine::TOutputOptions& out) {
  if (out.CropTop < 0) out.CropTop = 0;
  if (out.CropBottom < 0) out.CropBottom = 0;
  if (out.CropLeft < 0) out.CropLeft = 0;
  if (out.CropRight < 0) out.CropRight = 0;

  const int w = target.Width, h = target.Height;
  if (w <= 0 || h <= 0) return;  // nothing known to scale to: the engine keeps the source size
  const bool sourceKnown = sw > 0 && sh > 0 && sw - row.CropLeft - row.CropRight > 0 &&
                           sh - row.CropTop - row.CropBottom > 0;
  const std::string& mode = row.ZoomMode;
  if (!sourceKnown) {
    // No ratio can be computed: scale to the target and leave the picture whole.
    if (mode == "full" || mode == "lbox" || mode == "pan" || mode == "center") {
      out.FrameSize = Size(w, h);
      out.FrameAspectRatio = Ratio(w, h);
    }
    return;
  }
  std::string filters;
  if (mode == "full") Full(row, w, h, out);
  else if (mode == "lbox") filters = LetterBox(row, sw, sh, w, h, out);
  else if (mode == "pan") PanAndScan(row, sw, sh, w, h, out);
  else if (mode == "center") filters = Center(row, sw, sh, w, h, out);
  AppendFilter(out.VideoFilters, filters);
}

}  // namespace zanto::formats
