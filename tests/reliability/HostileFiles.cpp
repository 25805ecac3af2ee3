#include "HostileFiles.h"

#include "support/FFprobe.h"
#include "support/TempDir.h"

namespace zanto::test {

std::string RandomBytes(size_t count, uint32_t seed) {
  // xorshift32: small, fast and the same everywhere.
  uint32_t state = seed ? seed : 0x9E3779B9u;
  std::string bytes(count, '\0');
  for (char& c : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    c = static_cast<char>(state & 0xFF);
  }
  return bytes;
}

bool MakeClip(const std::string& file, const std::string& inputAndCodecArgs) {
  return RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -y " + inputAndCodecArgs + " " +
                    ShellQuote(file)) == 0;
}

std::string HeaderThenGarbage(const std::string& source, size_t keep) {
  const std::string bytes = ReadFileBytes(source);
  if (keep >= bytes.size()) return bytes;
  return bytes.substr(0, keep) + RandomBytes(bytes.size() - keep, static_cast<uint32_t>(keep));
}

bool PatchLe32(std::string& bytes, size_t offset, uint32_t value) {
  if (offset + 4 > bytes.size()) return false;
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return true;
}

bool PatchLe16(std::string& bytes, size_t offset, uint16_t value) {
  if (offset + 2 > bytes.size()) return false;
  bytes[offset] = static_cast<char>(value & 0xFF);
  bytes[offset + 1] = static_cast<char>(value >> 8);
  return true;
}

bool PatchAviPictureSize(std::string& avi, uint32_t width, uint32_t height) {
  // "avih" <size> then ten 32-bit fields; width and height are the 9th and 10th.
  const size_t avih = avi.find("avih");
  // "strf" <size> then a BITMAPINFOHEADER: biSize, biWidth, biHeight.
  const size_t strf = avi.find("strf");
  if (avih == std::string::npos || strf == std::string::npos) return false;
  return PatchLe32(avi, avih + 8 + 32, width) && PatchLe32(avi, avih + 8 + 36, height) &&
         PatchLe32(avi, strf + 8 + 4, width) && PatchLe32(avi, strf + 8 + 8, height);
}

bool PatchWavFormat(std::string& wav, uint16_t channels, uint32_t sampleRate) {
  // "fmt " <size> then wFormatTag, nChannels, nSamplesPerSec.
  const size_t fmt = wav.find("fmt ");
  if (fmt == std::string::npos) return false;
  return PatchLe16(wav, fmt + 8 + 2, channels) && PatchLe32(wav, fmt + 8 + 4, sampleRate);
}

uint64_t FileChecksum(const std::string& path) {
  const std::string bytes = ReadFileBytes(path);
  if (bytes.empty()) return 0;
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash ^ bytes.size();
}

}  // namespace zanto::test
