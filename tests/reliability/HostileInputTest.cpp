// Damaged, odd and hostile source files in a batch between two good ones: each bad file ends
// with a message, the good ones convert, no source changes, and no empty or broken output stays.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <ostream>

#include "BatchHarness.h"

namespace zanto::test {
namespace {

namespace fs = std::filesystem;

// Material shared by the cases: small clips encoded once for the whole program.
class Material {
 public:
  static Material& Get() {
    static Material material;
    return material;
  }
  std::string File(const std::string& name) const { return Dir_.File(name); }
  bool Ok() const { return Ok_; }

 private:
  Material() {
    const std::string picture = "-f lavfi -i testsrc=size=160x120:rate=25:duration=1";
    const std::string tone = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1";
    Ok_ = MakeClip(File("before.mp4"), picture + " " + tone + " -c:v libx264 -preset ultrafast -c:a aac -ac 2") &&
          MakeClip(File("after.wav"), "-f lavfi -i sine=frequency=880:sample_rate=22050:duration=0.5 -c:a pcm_s16le") &&
          MakeClip(File("moov_last.mp4"), picture + " " + tone + " -c:v libx264 -preset ultrafast -c:a aac") &&
          MakeClip(File("moov_first.mp4"), picture + " " + tone + " -c:v libx264 -preset ultrafast -c:a aac -movflags +faststart") &&
          MakeClip(File("clip.mkv"), picture + " " + tone + " -c:v libx264 -preset ultrafast -c:a libvorbis") &&
          MakeClip(File("clip.avi"), picture + " " + tone + " -c:v mpeg4 -c:a libmp3lame") &&
          MakeClip(File("raw.avi"), "-f lavfi -i testsrc=size=32x24:rate=10:duration=0.5 -c:v rawvideo -pix_fmt bgr24") &&
          MakeClip(File("tone.wav"), "-f lavfi -i sine=frequency=440:sample_rate=22050:duration=0.5 -ac 2 -c:a pcm_s16le");
  }
  TempDir Dir_;
  bool Ok_ = false;
};

std::string Cut(const std::string& file, double share) {
  const std::string bytes = ReadFileBytes(Material::Get().File(file));
  return bytes.substr(0, static_cast<size_t>(static_cast<double>(bytes.size()) * share));
}

std::string MovieListStart(const std::string& avi) { return avi.substr(0, avi.find("movi") + 64); }

struct THostileCase {
  const char* Name;  // also the file name in the batch
  std::function<std::string()> Bytes;
};

const THostileCase kCases[] = {
    {"zero_bytes.mp4", [] { return std::string(); }},
    {"random_bytes.mp4", [] { return RandomBytes(64 * 1024, 7); }},
    {"random_bytes.avi", [] { return "RIFF" + RandomBytes(32 * 1024, 11); }},
    {"mp4_index_then_garbage.mp4",
     [] {
       // The sample tables are intact; every sample the decoders get is noise.
       const std::string bytes = ReadFileBytes(Material::Get().File("moov_first.mp4"));
       return HeaderThenGarbage(Material::Get().File("moov_first.mp4"), bytes.find("mdat") + 8);
     }},
    {"avi_header_then_garbage.avi",
     [] {
       const std::string bytes = ReadFileBytes(Material::Get().File("clip.avi"));
       return HeaderThenGarbage(Material::Get().File("clip.avi"), MovieListStart(bytes).size());
     }},
    {"mp4_cut_before_index.mp4", [] { return Cut("moov_last.mp4", 0.5); }},
    {"mp4_cut_in_data.mp4", [] { return Cut("moov_first.mp4", 0.3); }},
    {"mkv_cut_10.mkv", [] { return Cut("clip.mkv", 0.1); }},
    {"mkv_cut_50.mkv", [] { return Cut("clip.mkv", 0.5); }},
    {"mkv_cut_90.mkv", [] { return Cut("clip.mkv", 0.9); }},
    {"avi_cut_in_header.avi", [] { return Cut("clip.avi", 0.01); }},
    {"huge_raw_picture.avi",
     [] {
       std::string avi = ReadFileBytes(Material::Get().File("raw.avi"));
       return PatchAviPictureSize(avi, 30000, 30000) ? avi : std::string("patch failed");
     }},
    {"huge_y4m_picture.y4m",
     [] { return "YUV4MPEG2 W16000 H16000 F25:1 Ip A1:1 C420jpeg\nFRAME\n" + RandomBytes(4096, 3); }},
    {"zero_size_picture.avi",
     [] {
       std::string avi = ReadFileBytes(Material::Get().File("raw.avi"));
       return PatchAviPictureSize(avi, 0, 0) ? avi : std::string("patch failed");
     }},
    {"zero_channels.wav",
     [] {
       std::string wav = ReadFileBytes(Material::Get().File("tone.wav"));
       return PatchWavFormat(wav, 0, 22050) ? wav : std::string("patch failed");
     }},
    {"zero_sample_rate.wav",
     [] {
       std::string wav = ReadFileBytes(Material::Get().File("tone.wav"));
       return PatchWavFormat(wav, 2, 0) ? wav : std::string("patch failed");
     }},
};

void PrintTo(const THostileCase& c, std::ostream* os) { *os << c.Name; }

class HostileInputTest : public BatchHarness, public testing::WithParamInterface<THostileCase> {};

TEST_P(HostileInputTest, FailsAloneWithAMessageAndLeavesNothingBroken) {
  ASSERT_TRUE(Material::Get().Ok()) << "the ffmpeg program could not make the material";
  const THostileCase& c = GetParam();
  const std::string hostile = Dir.File(c.Name);
  WriteFileBytes(hostile, c.Bytes());
  AddSource(Material::Get().File("before.mp4"));
  AddSource(hostile);
  AddSource(Material::Get().File("after.wav"));

  const auto outcomes = RunBatch();
  ExpectConverted(outcomes[0], "the file before");
  ExpectClearFailure(outcomes[1], c.Name);
  ExpectConverted(outcomes[2], "the file after");
  ExpectSourcesUntouched();
  ExpectOnlyValidOutputs(OutDir());
}

INSTANTIATE_TEST_SUITE_P(Sources, HostileInputTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<THostileCase>& info) {
                           std::string name = info.param.Name;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

// The two ways an unreadable source is told apart from a readable one end with the texts
// the user knows.
TEST_F(BatchHarness, AnEmptyAndATextFileAreLeftOutWithTheLibrarysReason) {
  ASSERT_TRUE(Material::Get().Ok());
  AddSource(Material::Get().File("before.mp4"));
  AddSource(Fixture("empty.mp4"));
  AddSource(Fixture("text.mp4"));
  const auto outcomes = RunBatch();
  ExpectConverted(outcomes[0], "good file");
  for (int i : {1, 2}) {
    EXPECT_TRUE(outcomes[i].Skipped) << i;
    // The library's reason, naming the file.
    EXPECT_NE(outcomes[i].Message.find(List.Row(i).Caption), std::string::npos) << outcomes[i].Message;
  }
  ExpectSourcesUntouched();
  ExpectOnlyValidOutputs(OutDir());
}

TEST_F(BatchHarness, AFileRemovedBetweenAddAndStartIsLeftOut) {
  ASSERT_TRUE(Material::Get().Ok());
  const std::string doomed = Dir.File("doomed.mp4");
  fs::copy_file(Material::Get().File("moov_last.mp4"), doomed);
  AddSource(Material::Get().File("before.mp4"));
  AddSource(doomed);
  AddSource(Material::Get().File("after.wav"));
  fs::remove(doomed);
  const auto outcomes = RunBatch();
  ExpectConverted(outcomes[0], "before");
  EXPECT_TRUE(outcomes[1].Skipped);
  EXPECT_NE(outcomes[1].Message.find("doomed.mp4"), std::string::npos) << outcomes[1].Message;
  ExpectConverted(outcomes[2], "after");
  EXPECT_FALSE(fs::exists(doomed));  // nothing recreated it
  ExpectOnlyValidOutputs(OutDir());
}

}  // namespace
}  // namespace zanto::test
