#include "media/MediaProbeText.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <iterator>

#include "media/FFmpegPtr.h"
#include "media/MediaUtils.h"

namespace zanto::media {
namespace {

struct TKeyName {
  const char* Stored;
  const char* Shown;
};

// ID3v2.2 (three letters) and v2.3/2.4 frame identifiers that a tag reader may leave untranslated.
constexpr TKeyName kId3v2KeyNames[] = {
    {"TALB", "album"},      {"TAL", "album"},       {"TCOM", "composer"},
    {"TCON", "genre"},      {"TCO", "genre"},       {"TCOP", "copyright"},
    {"TDRL", "date"},       {"TENC", "encoder"},    {"TEN", "encoder"},
    {"TIT2", "title"},      {"TT2", "title"},       {"TLAN", "language"},
    {"TPE1", "artist"},     {"TP1", "artist"},      {"TPOS", "disc"},
    {"TPUB", "publisher"},  {"TRCK", "track"},      {"TRK", "track"},
    {"TSOA", "albumsort"},  {"TSOP", "authorsort"}, {"TSOT", "titlesort"},
    {"TYER", "year"},
};

std::string Format(const char* format, auto... args) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

bool Known(AVRational q) { return q.num != 0 && q.den != 0; }

// The codec's own description as the library words it, from the decoder's side.
std::string CodecString(const AVCodecParameters* par) {
  CodecContextPtr codec(avcodec_alloc_context3(nullptr));
  if (!codec || avcodec_parameters_to_context(codec.get(), par) < 0)
    return avcodec_get_name(par->codec_id);
  char buffer[256] = {};
  avcodec_string(buffer, sizeof buffer, codec.get(), 0);
  return buffer;
}

}  // namespace

std::string Id3v2KeyName(const std::string& key) {
  for (const auto& item : kId3v2KeyNames)
    if (key == item.Stored) return item.Shown;
  return key;
}

void AppendMetadataBlock(std::vector<std::string>& lines, const AVDictionary* metadata,
                         const std::string& indent) {
  const int count = av_dict_count(metadata);
  if (count == 0) return;
  if (count == 1 && av_dict_get(metadata, "language", nullptr, 0)) return;
  lines.push_back(indent + "Metadata:");
  const AVDictionaryEntry* entry = nullptr;
  while ((entry = av_dict_get(metadata, "", entry, AV_DICT_IGNORE_SUFFIX))) {
    if (std::strcmp(entry->key, "language") == 0) continue;
    lines.push_back(indent + Format("  %-16s: %s", Id3v2KeyName(entry->key).c_str(), entry->value));
  }
}

std::string RateItemText(double value, const std::string& unit) {
  const long long hundredths = std::llround(value * 100);
  if (hundredths % 100 != 0) return Format(", %3.2f %s", value, unit.c_str());
  if (hundredths % 100000 != 0) return Format(", %1.0f %s", value, unit.c_str());
  return Format(", %1.0fk %s", value / 1000, unit.c_str());
}

std::string SecondsText(int64_t us) {
  // Split the magnitude so a negative time reads "-0.023220", not "0.-23220".
  const uint64_t magnitude = us < 0 ? 0 - static_cast<uint64_t>(us) : static_cast<uint64_t>(us);
  return Format("%s%llu.%.6llu", us < 0 ? "-" : "",
                static_cast<unsigned long long>(magnitude / 1000000),
                static_cast<unsigned long long>(magnitude % 1000000));
}

std::string LocalTimeText(int64_t secondsSinceEpoch) {
  const std::time_t time = static_cast<std::time_t>(secondsSinceEpoch);
  std::tm local{};
  if (!localtime_r(&time, &local)) return std::string();
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
  return buffer;
}

void AppendStreamLines(std::vector<std::string>& lines, const AVFormatContext* context,
                       int index) {
  const AVStream* stream = context->streams[index];
  const AVCodecParameters* par = stream->codecpar;

  std::string line = Format("Stream #%d", index);
  if (context->iformat && (context->iformat->flags & AVFMT_SHOW_IDS))
    line += Format("[0x%x]", stream->id);
  if (const auto* language = av_dict_get(stream->metadata, "language", nullptr, 0))
    line += Format("(%s)", language->value);

  int gcd = static_cast<int>(av_gcd(stream->time_base.num, stream->time_base.den));
  if (gcd == 0) gcd = 1;
  line += Format(", %d/%d", stream->time_base.num / gcd, stream->time_base.den / gcd);
  line += ": " + CodecString(par);

  const AVRational sar = stream->sample_aspect_ratio;
  if (sar.num != 0 && av_cmp_q(sar, par->sample_aspect_ratio) != 0) {
    AVRational dar{};
    av_reduce(&dar.num, &dar.den, static_cast<int64_t>(par->width) * sar.num,
              static_cast<int64_t>(par->height) * sar.den, 1024 * 1024);
    line += Format(", PAR %d:%d DAR %d:%d", sar.num, sar.den, dar.num, dar.den);
  }

  if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
    // The codec time base ("tbc") is not part of the stream parameters any more; it is shown
    // only by a library that still reports it, so the three stream rates are what remain.
    if (Known(stream->avg_frame_rate)) line += RateItemText(av_q2d(stream->avg_frame_rate), "fps");
    if (Known(stream->r_frame_rate)) line += RateItemText(av_q2d(stream->r_frame_rate), "tbr");
    if (Known(stream->time_base)) line += RateItemText(1 / av_q2d(stream->time_base), "tbn");
  }

  const AVRational tb = Known(stream->time_base) ? stream->time_base : AVRational{1, AV_TIME_BASE};
  if (stream->start_time != AV_NOPTS_VALUE)
    line += ", StartTime: " + SecondsText(av_rescale_q(stream->start_time, tb, {1, AV_TIME_BASE}));
  if (stream->duration == AV_NOPTS_VALUE)
    line += ", Duration: N/A";
  else
    line += ", Duration: " + DurationToText(av_rescale_q(stream->duration, tb, {1, AV_TIME_BASE}));

  lines.push_back(line);
  AppendMetadataBlock(lines, stream->metadata, "  ");
}

}  // namespace zanto::media
