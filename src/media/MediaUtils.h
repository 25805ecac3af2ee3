#pragma once
// Small media helpers: texts for durations, sizes and library errors, stream kind names, codec
// descriptions, metadata lookup and decoded-frame to bitmap conversion.
#include <cstdint>
#include <string>

#include "media/FFmpeg.h"
#include "media/FFmpegPtr.h"
#include "platform/Bitmap24.h"

namespace zanto::media {

// "%.2d:%.2d:%.2d.%.3d" from microseconds (hours not wrapped); "N/A" for AV_NOPTS_VALUE.
std::string DurationToText(int64_t us);
// "%.2f GB" above 2^30 bytes, "%.2f MB" above 2^20, "%.2f KB" above 2^10, else "%d Byte".
std::string SizeToText(int64_t bytes);
// The text of a library error code, by meaning ("No such file or directory" for ENOENT...).
std::string ErrorText(int code);
// prefix + ": " + ErrorText(code): how library errors are reported.
std::string ErrorMessage(const std::string& prefix, int code);
// "Video", "Audio", "Data", "Subtitle", "Attachment"; "Unknown" otherwise.
std::string StreamKindName(int mediaType);
// The encoder's (or decoder's) name and "(long name)", or a fallback from the parameters.
std::string CodecDescription(const AVCodecParameters* par, bool encoder = false);
std::string MetadataValue(const AVDictionary* dict, const std::string& key,
                          const std::string& defaultValue = std::string());

// Converts decoded frames into a 24-bit bitmap of the frame's size, keeping one scaler between
// calls. Returns False when no conversion context can be made.
class TFrameToBitmap {
 public:
  bool Convert(const AVFrame* frame, platform::TBitmap24& bitmap);

 private:
  ScalerPtr Scaler_;
};

}  // namespace zanto::media
