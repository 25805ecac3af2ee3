#pragma once
// Damaged and odd media files for the hostile-input tests, made from small clips the ffmpeg
// program encodes and then cut or patched byte by byte.
#include <cstdint>
#include <string>

namespace zanto::test {

// Deterministic pseudo-random bytes (the same seed gives the same bytes on every machine).
std::string RandomBytes(size_t count, uint32_t seed);

// Encodes a clip with the ffmpeg program: `ffmpeg <inputAndCodecArgs> <file>`; False on failure.
bool MakeClip(const std::string& file, const std::string& inputAndCodecArgs);

// The first `keep` bytes of `source`, then pseudo-random bytes up to the source's size.
std::string HeaderThenGarbage(const std::string& source, size_t keep);

// Writes a 32-bit or 16-bit little-endian value at `offset`. False when the offset is outside.
bool PatchLe32(std::string& bytes, size_t offset, uint32_t value);
bool PatchLe16(std::string& bytes, size_t offset, uint16_t value);

// The picture size an AVI declares, in its main header and in the first stream format chunk.
bool PatchAviPictureSize(std::string& avi, uint32_t width, uint32_t height);
// Sets the channel count and the sample rate of a WAV's format chunk.
bool PatchWavFormat(std::string& wav, uint16_t channels, uint32_t sampleRate);

// A checksum of a whole file's bytes (FNV-1a, 64 bits); 0 for a missing file.
uint64_t FileChecksum(const std::string& path);

}  // namespace zanto::test
