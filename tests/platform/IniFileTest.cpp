#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/IniFile.h"
#include "support/TempDir.h"

namespace zanto::platform {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

struct ReadCase {
  const char* Name;
  std::string Content;
  const char* Section;
  const char* Key;
  const char* Expected;  // with default "dflt"
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.Name; }

class IniRead : public testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, ReadsValueOrDefault) {
  TempDir dir;
  const std::string file = dir.File("s.ini");
  WriteFileBytes(file, GetParam().Content);
  TIniFile ini(file);
  EXPECT_EQ(ini.ReadString(GetParam().Section, GetParam().Key, "dflt"), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRead,
    testing::Values(
        ReadCase{"plain", "[settings]\nvolume=12\n", "settings", "volume", "12"},
        ReadCase{"caseInsensitive", "[Settings]\nVoLuMe=12\n", "SETTINGS", "volume", "12"},
        ReadCase{"missingKey", "[settings]\nother=1\n", "settings", "volume", "dflt"},
        ReadCase{"missingSection", "[other]\nvolume=1\n", "settings", "volume", "dflt"},
        ReadCase{"keyInOtherSection", "[a]\nx=1\n[b]\ny=2\n", "a", "y", "dflt"},
        ReadCase{"crlf", "[settings]\r\nvolume=7\r\nmute=1\r\n", "settings", "volume", "7"},
        ReadCase{"bom", "\xEF\xBB\xBF[settings]\nvolume=5\n", "settings", "volume", "5"},
        ReadCase{"noTrailingNewline", "[settings]\nvolume=9", "settings", "volume", "9"},
        ReadCase{"junkLines", "garbage\n[settings]\njunk line\n;comment\nvolume=3\n", "settings",
                 "volume", "3"},
        ReadCase{"duplicateKeyFirstWins", "[settings]\nvolume=1\nvolume=2\n", "settings",
                 "volume", "1"},
        ReadCase{"blanksTrimmed", "[ settings ]\n  volume =  4  \n", "settings", "volume", "4"},
        ReadCase{"quotesStripped", "[s]\nk=\"a b\"\n", "s", "k", "a b"},
        ReadCase{"emptyValue", "[s]\nk=\n", "s", "k", ""},
        ReadCase{"valueWithEquals", "[s]\nk=a=b\n", "s", "k", "a=b"},
        ReadCase{"binaryJunk", std::string("\x01\x02[s]\x00\nk=v\n", 12), "s", "k", "dflt"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(IniFile, MissingFileReadsDefaults) {
  TempDir dir;
  TIniFile ini(dir.File("none.ini"));
  EXPECT_EQ(ini.ReadString("settings", "OutPutDir", "c:\\videoconverter"), "c:\\videoconverter");
  EXPECT_EQ(ini.ReadInteger("settings", "volume", 0), 0);
  EXPECT_FALSE(ini.SectionExists("settings"));
}

TEST(IniFile, IntegersAndFloats) {
  TempDir dir;
  const std::string file = dir.File("n.ini");
  WriteFileBytes(file, "[n]\na=42\nb=-7\nc=12abc\nd= 5 \ne=1.5\nf=1,5\ng=+3\n");
  TIniFile ini(file);
  EXPECT_EQ(ini.ReadInteger("n", "a", 0), 42);
  EXPECT_EQ(ini.ReadInteger("n", "b", 0), -7);
  EXPECT_EQ(ini.ReadInteger("n", "c", 99), 99);
  EXPECT_EQ(ini.ReadInteger("n", "d", 0), 5);
  EXPECT_EQ(ini.ReadInteger("n", "g", 0), 3);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("n", "e", 0), 1.5);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("n", "f", -1), -1);  // "," is not a decimal point here
  ini.WriteFloat("n", "h", 0.25);
  EXPECT_NE(ReadFileBytes(file).find("h=0.25"), std::string::npos);
}

TEST(IniFile, WriteCreatesFileSectionAndKey) {
  TempDir dir;
  const std::string file = dir.File("new.ini");
  TIniFile ini(file);
  ini.WriteString("settings", "OutPutDir", "/tmp/out");
  ini.WriteInteger("formatInfo1", "iVideoSize", 3);
  EXPECT_EQ(ReadFileBytes(file), "[settings]\nOutPutDir=/tmp/out\n\n[formatInfo1]\niVideoSize=3\n");
}

TEST(IniFile, WriteKeepsOtherLinesCommentsOrderAndLineEnds) {
  TempDir dir;
  const std::string file = dir.File("keep.ini");
  WriteFileBytes(file,
                 "\xEF\xBB\xBF; my comment\r\n[a]\r\nx=1\r\njunk\r\n\r\n[settings]\r\nVolume=3\r\n"
                 "mute=0\r\n");
  TIniFile ini(file);
  ini.WriteInteger("SETTINGS", "volume", 64);  // replaces in place, keeps the key's spelling
  ini.WriteString("a", "y", "2");              // inserted after the section's last key
  EXPECT_EQ(ReadFileBytes(file),
            "\xEF\xBB\xBF; my comment\r\n[a]\r\nx=1\r\ny=2\r\njunk\r\n\r\n[settings]\r\n"
            "volume=64\r\nmute=0\r\n");
  EXPECT_EQ(ini.ReadInteger("settings", "Volume", 0), 64);
}

TEST(IniFile, DuplicateKeyWriteChangesTheOneRead) {
  TempDir dir;
  const std::string file = dir.File("dup.ini");
  WriteFileBytes(file, "[s]\nk=1\nk=2\n");
  TIniFile ini(file);
  ini.WriteString("s", "K", "5");
  EXPECT_EQ(ini.ReadString("s", "k", ""), "5");
  EXPECT_EQ(ReadFileBytes(file), "[s]\nK=5\nk=2\n");
}

TEST(IniFile, NamesAreComparedWithoutSurroundingBlanks) {
  TempDir dir;
  TIniFile ini(dir.File("blank.ini"));
  ini.WriteString(" settings\t", "\tvolume ", "5");
  EXPECT_EQ(ini.ReadString("settings", "volume", ""), "5");
  EXPECT_EQ(ReadFileBytes(ini.FileName()), "[settings]\nvolume=5\n");
}

TEST(IniFile, SectionKeysAndDelete) {
  TempDir dir;
  const std::string file = dir.File("sec.ini");
  WriteFileBytes(file, "[s]\na=1\n;c\nB=2\na=3\n[t]\nz=0\n");
  TIniFile ini(file);
  EXPECT_EQ(ini.ReadSection("S"), (std::vector<std::string>{"a", "B"}));
  EXPECT_TRUE(ini.ValueExists("s", "b"));
  ini.DeleteKey("s", "b");
  EXPECT_FALSE(ini.ValueExists("s", "b"));
  EXPECT_EQ(ini.ReadString("t", "z", ""), "0");
}

TEST(IniFile, UnwritableFileRaisesAndReadsKeepDefaults) {
  if (geteuid() == 0) {
    // root writes through permission bits: a path below a regular file can never be created.
    TempDir dir;
    WriteFileBytes(dir.File("blocker"), "x");
    TIniFile ini(dir.File("blocker") + "/s.ini");
    try {
      ini.WriteString("settings", "volume", "1");
      FAIL() << "no error";
    } catch (const TIniWriteError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.File("blocker") + "/s.ini");
    }
    EXPECT_EQ(ini.ReadInteger("settings", "volume", 17), 17);
    return;
  }
  TempDir dir;
  const std::string file = dir.File("ro.ini");
  WriteFileBytes(file, "[settings]\nvolume=3\n");
  chmod(file.c_str(), 0444);
  chmod(dir.Path().c_str(), 0555);
  TIniFile ini(file);
  EXPECT_THROW(ini.WriteString("settings", "volume", "9"), TIniWriteError);
  EXPECT_EQ(ini.ReadInteger("settings", "volume", 0), 3);
}

}  // namespace
}  // namespace zanto::platform
