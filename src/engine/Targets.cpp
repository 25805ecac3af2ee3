// Target presets: the settings a VCD, SVCD, DVD or DV player expects, by television norm.
#include <cmath>

#include "engine/OptionParser.h"
#include "engine/OptionValues.h"

namespace zanto::engine {

namespace {

enum class TNorm { Pal, Ntsc, Film };

// 25 fps decides PAL, 29.97 and 23.976 decide NTSC; anything else decides nothing.
bool NormOfRate(AVRational rate, TNorm& norm) {
  if (rate.num <= 0 || rate.den <= 0) return false;
  const long milliFps = std::lround(rate.num * 1000.0 / rate.den);
  if (milliFps == 25000) {
    norm = TNorm::Pal;
    return true;
  }
  if (milliFps == 29970 || milliFps == 23976) {
    norm = TNorm::Ntsc;
    return true;
  }
  return false;
}

TNorm DecideNorm(const TOptionState& state, IOptionActions& actions, const std::string& norm,
                 const std::string& defaultNorm) {
  const std::string n = LowerCase(norm);
  if (n == "pal") return TNorm::Pal;
  if (n == "ntsc") return TNorm::Ntsc;
  if (n == "film") return TNorm::Film;

  if (state.FrameRate.den == 0) throw FFmpegException("frame_rate is invalid.");
  TNorm decided = TNorm::Pal;
  bool found = NormOfRate(state.FrameRate, decided);
  if (!found) {
    for (const AVRational rate : actions.InputVideoFrameRates())
      if ((found = NormOfRate(rate, decided))) break;
  }
  if (!found) {
    const std::string d = LowerCase(defaultNorm);
    decided = d == "film" ? TNorm::Film : d == "ntsc" ? TNorm::Ntsc : TNorm::Pal;
  }
  if (state.Verbosity > 0)
    actions.Log(media::llVerbose, std::string("Assuming ") + (decided == TNorm::Pal ? "PAL" : "NTSC") + " for target.");
  return decided;
}

void SetAspectWhenUnset(TOptionState& state, IOptionActions& actions, const char* aspect) {
  if (state.FrameAspectRatio != 0.0f) return;
  SetOption(state, actions, "aspect", aspect);
  actions.Log(media::llInfo, std::string("Assuming ") + aspect + " for aspect ratio");
}

}  // namespace

void ApplyTarget(TOptionState& state, IOptionActions& actions, const std::string& targetType,
                 const std::string& norm, const std::string& defaultNorm) {
  const std::string type = LowerCase(Trim(targetType));
  const bool vcd = type == "vcd", svcd = type == "svcd", dvd = type == "dvd";
  const bool dv = type == "dv" || type == "dv50";
  if (!vcd && !svcd && !dvd && !dv) throw FFmpegException("Unknown target type");

  const TNorm n = DecideNorm(state, actions, norm, defaultNorm);
  const bool pal = n == TNorm::Pal;
  const char* rate = pal ? "25" : n == TNorm::Ntsc ? "30000/1001" : "24000/1001";
  const auto set = [&](const char* name, const std::string& value) { SetOption(state, actions, name, value); };
  // The quoted settings go to the library's parameter tables; refusals there are not errors.
  const auto generic = [&](const char* name, const char* value) { SetGenericOption(state, name, value); };
  // Mono becomes stereo: the disc players expect two channels.
  const auto atLeastStereo = [&] {
    if (state.AudioChannels == 1) set("ac", "2");
  };

  if (vcd) {
    set("vcodec", "mpeg1video");
    set("acodec", "mp2");
    set("f", "vcd");
    set("s", pal ? "352x288" : "352x240");
    set("r", rate);
    generic("g", pal ? "15" : "18");
    generic("b", "1150000");
    generic("maxrate", "1150000");
    generic("minrate", "1150000");
    generic("bufsize", "327680");
    generic("ab", "224000");
    set("ar", "44100");
    set("ac", "2");
    generic("packetsize", "2324");
    generic("muxrate", "1411200");
    state.MuxPreloadS = 0.44f;
    SetAspectWhenUnset(state, actions, "4:3");
  } else if (svcd) {
    set("vcodec", "mpeg2video");
    set("acodec", "mp2");
    set("f", "svcd");
    set("s", pal ? "480x576" : "480x480");
    set("r", rate);
    generic("g", pal ? "15" : "18");
    generic("b", "2040000");
    generic("maxrate", "2516000");
    generic("minrate", "0");
    generic("bufsize", "1835008");
    // Room for the SVCD scan offsets: once a codec flag, now the MPEG-2 encoder's own option.
    generic("scan_offset", "1");
    generic("ab", "224000");
    set("ar", "44100");
    atLeastStereo();
    generic("packetsize", "2324");
    SetAspectWhenUnset(state, actions, "4:3");
  } else if (dvd) {
    set("vcodec", "mpeg2video");
    set("acodec", "ac3");
    set("f", "dvd");
    set("s", pal ? "720x576" : "720x480");
    set("r", rate);
    generic("g", pal ? "15" : "18");
    generic("b", "6000000");
    generic("maxrate", "9000000");
    generic("minrate", "0");
    generic("bufsize", "1835008");
    generic("ab", "448000");
    set("ar", "48000");
    atLeastStereo();
    generic("packetsize", "2048");
    generic("muxrate", "10080000");
    SetAspectWhenUnset(state, actions, "16:9");
  } else {
    set("f", "dv");
    set("s", pal ? "720x576" : "720x480");
    set("r", rate);
    set("pix_fmt", type == "dv50" ? "yuv422p" : pal ? "yuv420p" : "yuv411p");
    set("ar", "48000");
    set("ac", "2");
  }
}

}  // namespace zanto::engine
