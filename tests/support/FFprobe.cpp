#include "support/FFprobe.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace zanto::test {
namespace {

double Rate(const QString& text) {
  const auto parts = text.split('/');
  if (parts.size() != 2) return text.toDouble();
  const double den = parts[1].toDouble();
  return den == 0 ? 0 : parts[0].toDouble() / den;
}

double Number(const QJsonValue& v, double fallback) {
  if (v.isString()) {
    bool ok = false;
    double d = v.toString().toDouble(&ok);
    return ok ? d : fallback;
  }
  return v.isDouble() ? v.toDouble() : fallback;
}

std::map<std::string, std::string> Tags(const QJsonObject& obj) {
  std::map<std::string, std::string> tags;
  const QJsonObject t = obj.value("tags").toObject();
  for (auto it = t.begin(); it != t.end(); ++it)
    tags[it.key().toStdString()] = it.value().toString().toStdString();
  return tags;
}

}  // namespace

std::string ShellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0)
    if (output) output->append(buf.data(), n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const ProbeStream* ProbeResult::First(const std::string& codecType) const {
  for (const auto& s : Streams)
    if (s.CodecType == codecType) return &s;
  return nullptr;
}

int ProbeResult::Count(const std::string& codecType) const {
  int n = 0;
  for (const auto& s : Streams) n += s.CodecType == codecType;
  return n;
}

ProbeResult FFprobe(const std::string& file) {
  ProbeResult result;
  std::string json;
  const int rc = RunCommand("ffprobe -v error -show_streams -show_format -of json " +
                                ShellQuote(file) + " 2>/dev/null",
                            &json);
  if (rc != 0) return result;
  const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
  const QJsonObject format = root.value("format").toObject();
  if (format.isEmpty()) return result;
  result.Ok = true;
  result.FormatName = format.value("format_name").toString().toStdString();
  result.Duration = Number(format.value("duration"), -1);
  result.StartTime = Number(format.value("start_time"), 0);
  result.Size = static_cast<int64_t>(Number(format.value("size"), -1));
  result.BitRate = static_cast<int64_t>(Number(format.value("bit_rate"), -1));
  result.Tags = Tags(format);
  for (const auto& v : root.value("streams").toArray()) {
    const QJsonObject s = v.toObject();
    ProbeStream ps;
    ps.Index = s.value("index").toInt(-1);
    ps.CodecType = s.value("codec_type").toString().toStdString();
    ps.CodecName = s.value("codec_name").toString().toStdString();
    ps.CodecTag = s.value("codec_tag_string").toString().toStdString();
    ps.Profile = s.value("profile").toString().toStdString();
    ps.Level = s.value("level").toInt(-1);
    ps.Width = s.value("width").toInt(0);
    ps.Height = s.value("height").toInt(0);
    ps.PixFmt = s.value("pix_fmt").toString().toStdString();
    ps.AvgFrameRate = Rate(s.value("avg_frame_rate").toString());
    ps.RFrameRate = Rate(s.value("r_frame_rate").toString());
    ps.TimeBase = s.value("time_base").toString().toStdString();
    ps.SampleRate = static_cast<int>(Number(s.value("sample_rate"), 0));
    ps.Channels = s.value("channels").toInt(0);
    ps.SampleFmt = s.value("sample_fmt").toString().toStdString();
    ps.StartTime = Number(s.value("start_time"), 0);
    ps.Duration = Number(s.value("duration"), -1);
    ps.BitRate = static_cast<int64_t>(Number(s.value("bit_rate"), -1));
    ps.NbFrames = static_cast<int64_t>(Number(s.value("nb_frames"), -1));
    ps.Tags = Tags(s);
    result.Streams.push_back(ps);
  }
  return result;
}

}  // namespace zanto::test
