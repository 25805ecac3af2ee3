// A batch whose surroundings go wrong while it runs (the output folder stops taking files, the
// disk fills up) and sources whose names are hard on shells and parsers.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

#include "BatchHarness.h"

namespace zanto::test {
namespace {

namespace fs = std::filesystem;

const std::string kConvert = std::string(ZANTO_BIN_DIR) + "/zanto-convert";

// A one-second clip and a half-second tone, encoded once.
struct TClips {
  TempDir Dir;
  bool Ok = false;
  TClips() {
    Ok = MakeClip(Dir.File("clip.mp4"),
                  "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -f lavfi -i sine=duration=1 "
                  "-c:v libx264 -preset ultrafast -c:a aac") &&
         MakeClip(Dir.File("tone.wav"), "-f lavfi -i sine=sample_rate=22050:duration=0.5 -c:a pcm_s16le");
  }
};
const TClips& Clips() {
  static TClips clips;
  return clips;
}

// Copies of the clip under the given names in folder; their paths.
std::vector<std::string> CopiesOfClip(const std::string& folder, const std::vector<std::string>& names) {
  std::vector<std::string> paths;
  fs::create_directories(folder);
  for (const auto& name : names) {
    paths.push_back(folder + "/" + name);
    fs::copy_file(Clips().Dir.File("clip.mp4"), paths.back(), fs::copy_options::overwrite_existing);
  }
  return paths;
}

using SurroundingsTest = BatchHarness;

TEST_F(SurroundingsTest, AnOutputFolderThatStopsTakingFilesFailsOnlyTheFilesAfter) {
  ASSERT_TRUE(Clips().Ok);
  for (const auto& path : CopiesOfClip(Dir.File("src"), {"one.mp4", "two.mp4", "three.mp4"})) AddSource(path);
  // When the second file reports progress the folder stops taking new files. As root the
  // permission bits do not stop writes, so the folder is then moved away and a plain file takes
  // its name (the running file keeps writing into the moved folder).
  const bool root = geteuid() == 0;
  const std::string moved = Dir.File("out.moved");
  bool blocked = false;
  Driver.OnProgressChanged = [&] {
    if (blocked || Driver.Progress().TaskIndex < 1) return;
    blocked = true;
    if (root) {
      fs::rename(OutDir(), moved);
      WriteFileBytes(OutDir(), "not a folder");
    } else {
      fs::permissions(OutDir(), fs::perms::owner_read | fs::perms::owner_exec);
    }
  };
  const auto outcomes = RunBatch();
  ASSERT_TRUE(blocked);
  const std::string written = root ? moved : OutDir();
  EXPECT_TRUE(outcomes[0].Converted) << outcomes[0].Message;
  EXPECT_TRUE(FFprobe(written + "/one_(new).mp4").Ok);
  // The second file's output was open already: it either completes or fails with a message.
  if (outcomes[1].Converted) {
    EXPECT_TRUE(FFprobe(written + "/two_(new).mp4").Ok);
  }
  EXPECT_TRUE(outcomes[2].Failed);
  EXPECT_NE(outcomes[2].Message.find("three_(new).mp4"), std::string::npos) << outcomes[2].Message;
  ExpectClearFailure(outcomes[1], "two");
  ExpectSourcesUntouched();
  if (!root) fs::permissions(OutDir(), fs::perms::owner_all);
  ExpectOnlyValidOutputs(written);
}

// A small memory file system as output folder, when this user may mount one.
class FullDiskTest : public BatchHarness {
 protected:
  void SetUp() override {
    BatchHarness::SetUp();
    fs::create_directories(OutDir());
    if (geteuid() != 0 || mount("tmpfs", OutDir().c_str(), "tmpfs", 0, "size=48k") != 0)
      GTEST_SKIP() << "cannot mount a small tmpfs here (needs root and the mount capability)";
    Mounted_ = true;
  }
  void TearDown() override {
    if (Mounted_) umount2(OutDir().c_str(), MNT_DETACH);
    BatchHarness::TearDown();
  }
  bool Mounted_ = false;
};

TEST_F(FullDiskTest, AFullDiskFailsTheFileWithTheSystemsReasonAndLeavesNoBrokenFile) {
  ASSERT_TRUE(Clips().Ok);
  // The tone fits; the clip (about 100 KB as MPEG-4 at 320x240) does not.
  AddSource(Clips().Dir.File("tone.wav"));
  AddSource(Clips().Dir.File("clip.mp4"));
  const auto outcomes = RunBatch();
  ExpectConverted(outcomes[0], "tone");
  EXPECT_FALSE(outcomes[1].Converted) << "a file larger than the disk was reported converted";
  ExpectClearFailure(outcomes[1], "clip");
  ExpectSourcesUntouched();
  ExpectOnlyValidOutputs(OutDir());
}

// Names with blanks, quotes, non-ASCII letters and a leading dash.
const std::vector<std::string> kOddNames = {"with blanks.mp4", "it's \"quoted\".mp4", "клип é ü.mp4",
                                            "-starts with dash.mp4", "--double-dash.mp4", "$(echo x)`y`.mp4"};

TEST_F(SurroundingsTest, OddSourceNamesConvertThroughTheBatch) {
  ASSERT_TRUE(Clips().Ok);
  for (const auto& path : CopiesOfClip(Dir.File("src"), kOddNames)) AddSource(path);
  const auto outcomes = RunBatch();
  for (size_t i = 0; i < kOddNames.size(); ++i) {
    ExpectConverted(outcomes[i], kOddNames[i]);
    const std::string stem = fs::path(kOddNames[i]).stem().string();
    EXPECT_EQ(fs::path(outcomes[i].Destination).filename().string(), stem + "_(new).mp4");
  }
  ExpectSourcesUntouched();
  ExpectOnlyValidOutputs(OutDir());
}

TEST_F(SurroundingsTest, OddSourceNamesConvertThroughTheCommandLine) {
  ASSERT_TRUE(Clips().Ok);
  const auto paths = CopiesOfClip(Dir.File("src"), kOddNames);
  std::string args;
  for (const auto& path : paths) AddSource(path);
  // Relative names after "--", as a user types them in the source folder.
  for (const auto& name : kOddNames) args += " " + ShellQuote(name);
  std::string out;
  const int rc = RunCommand("cd " + ShellQuote(Dir.File("src")) + " && " + ShellQuote(kConvert) +
                                " --settings " + ShellQuote(Dir.File("s.ini")) + " --output-dir " +
                                ShellQuote(OutDir()) + " --format 2 --" + args + " 2>&1",
                            &out);
  EXPECT_EQ(rc, 0) << out;
  for (const auto& name : kOddNames) {
    const std::string output = OutDir() + "/" + fs::path(name).stem().string() + "_(new).mp4";
    EXPECT_TRUE(FFprobe(output).Ok) << output << "\n" << out;
  }
  ExpectSourcesUntouched();
  ExpectOnlyValidOutputs(OutDir());
}

}  // namespace
}  // namespace zanto::test
