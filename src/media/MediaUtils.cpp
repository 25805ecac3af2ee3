#include "media/MediaUtils.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace zanto::media {

std::string DurationToText(int64_t us) {
  if (us == AV_NOPTS_VALUE) return "N/A";
  const bool negative = us < 0;
  const uint64_t v = negative ? static_cast<uint64_t>(-(us + 1)) + 1 : static_cast<uint64_t>(us);
  const uint64_t totalMs = v / 1000;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s%.2" PRIu64 ":%.2" PRIu64 ":%.2" PRIu64 ".%.3" PRIu64,
                negative ? "-" : "", totalMs / 3600000, totalMs / 60000 % 60,
                totalMs / 1000 % 60, totalMs % 1000);
  return buf;
}

std::string SizeToText(int64_t bytes) {
  char buf[64];
  const double b = static_cast<double>(bytes);
  if (bytes > 1073741824)
    std::snprintf(buf, sizeof buf, "%.2f GB", b / 1073741824.0);
  else if (bytes > 1048576)
    std::snprintf(buf, sizeof buf, "%.2f MB", b / 1048576.0);
  else if (bytes > 1024)
    std::snprintf(buf, sizeof buf, "%.2f KB", b / 1024.0);
  else
    std::snprintf(buf, sizeof buf, "%d Byte", static_cast<int>(bytes));
  return buf;
}

std::string ErrorText(int code) {
  // The texts users know for the common failures; everything else as the library words it.
  switch (code) {
    case AVERROR(ENOENT): return "No such file or directory";
    case AVERROR(EIO): return "I/O error";
    case AVERROR(ENOMEM): return "Not enough memory";
    case AVERROR_INVALIDDATA: return "Invalid data found when processing input";
    case AVERROR_EOF: return "End of file";
    case AVERROR(EDOM): return "Number syntax expected in filename";
    case AVERROR(EILSEQ): return "Unknown format";
    case AVERROR(EPROTONOSUPPORT): return "Unsupported network protocol";
    case AVERROR_PROTOCOL_NOT_FOUND: return "Unsupported network protocol";
    case AVERROR_PATCHWELCOME: return "Not yet implemented in FFmpeg";
    default: break;
  }
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  if (av_strerror(code, buf, sizeof buf) < 0) {
    std::snprintf(buf, sizeof buf, "Error number %d occurred", code);
  }
  return buf;
}

std::string ErrorMessage(const std::string& prefix, int code) {
  return prefix + ": " + ErrorText(code);
}

std::string StreamKindName(int mediaType) {
  switch (mediaType) {
    case AVMEDIA_TYPE_VIDEO: return "Video";
    case AVMEDIA_TYPE_AUDIO: return "Audio";
    case AVMEDIA_TYPE_DATA: return "Data";
    case AVMEDIA_TYPE_SUBTITLE: return "Subtitle";
    case AVMEDIA_TYPE_ATTACHMENT: return "Attachment";
    default: return "Unknown";
  }
}

std::string CodecDescription(const AVCodecParameters* par, bool encoder) {
  if (!par) return {};
  const AVCodec* codec =
      encoder ? avcodec_find_encoder(par->codec_id) : avcodec_find_decoder(par->codec_id);
  if (codec) {
    std::string text = codec->name;
    const char* ln = codec->long_name;
    bool blank = true;
    for (const char* p = ln; p && *p; ++p) blank = blank && std::isspace(static_cast<unsigned char>(*p));
    if (!blank) text += std::string("(") + ln + ")";
    return text;
  }
  if (par->codec_id == AV_CODEC_ID_MPEG2TS) return "mpeg2ts";
  if (par->codec_id != AV_CODEC_ID_NONE) {
    if (const AVCodecDescriptor* d = avcodec_descriptor_get(par->codec_id)) return d->name;
  }
  const uint32_t tag = par->codec_tag;
  char c[4];
  bool printable = true;
  for (int i = 0; i < 4; ++i) {
    c[i] = static_cast<char>((tag >> (8 * i)) & 0xFF);
    printable = printable && c[i] >= 32 && c[i] <= 126;
  }
  char buf[64];
  if (printable)
    std::snprintf(buf, sizeof buf, "%c%c%c%c / 0x%04X", c[0], c[1], c[2], c[3], tag);
  else
    std::snprintf(buf, sizeof buf, "0x%04x", tag);
  return buf;
}

std::string MetadataValue(const AVDictionary* dict, const std::string& key,
                          const std::string& defaultValue) {
  const AVDictionaryEntry* e = av_dict_get(dict, key.c_str(), nullptr, 0);
  return e ? e->value : defaultValue;
}

bool TFrameToBitmap::Convert(const AVFrame* frame, platform::TBitmap24& bitmap) {
  if (!frame || frame->width <= 0 || frame->height <= 0) return false;
  const int w = frame->width;
  const int h = frame->height;
  if (bitmap.Width() != w || bitmap.Height() != h) bitmap.SetSize(w, h);
  if (frame->format == AV_PIX_FMT_BGR24 && w % 2 == 0 && h % 2 == 0 &&
      frame->linesize[0] == bitmap.Stride()) {
    for (int y = 0; y < h; ++y)
      std::memcpy(bitmap.ScanLine(y), frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0],
                  static_cast<size_t>(w) * 3);
    return true;
  }
  SwsContext* ctx = sws_getCachedContext(Scaler_.release(), w, h,
                                         static_cast<AVPixelFormat>(frame->format), w, h,
                                         AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
  Scaler_.reset(ctx);
  if (!ctx) return false;
  uint8_t* dst[4] = {bitmap.ScanLine(0), nullptr, nullptr, nullptr};
  int dstStride[4] = {bitmap.Stride(), 0, 0, 0};
  sws_scale(ctx, frame->data, frame->linesize, 0, h, dst, dstStride);
  return true;
}

}  // namespace zanto::media
