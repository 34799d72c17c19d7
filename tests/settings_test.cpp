// The settings file: where it is found, how values are read and how "@" expands.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "app/settings.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "tests/support/testenv.h"

namespace {

// A Windows directory and a start-up directory of their own for each test.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    windir_ = dirs_.path() + "/windows";
    startup_ = dirs_.path() + "/start";
    mkdir(windir_.c_str(), 0755);
    mkdir(startup_.c_str(), 0755);
    getcwd(oldCwd_, sizeof oldCwd_);
    chdir(startup_.c_str());
    TakeStartupDirectory();
  }
  void TearDown() override {
    chdir(oldCwd_);
    TakeStartupDirectory();
  }
  void WinIni(const std::string& text) { dirs_.Write("windows/TAVIRO.INI", text); }
  void StartIni(const std::string& text) { dirs_.Write("start/TAVIRO.INI", text); }

  TempDir dirs_;
  std::string windir_, startup_;
  ScopedEnv env_{"WINDIR", "/nonexistent-zelnar"};
  ScopedEnv winEnv_{"WINDIR", ""};
  char oldCwd_[4096];
  void UseWindir() { setenv("WINDIR", windir_.c_str(), 1); }
};

TEST_F(SettingsTest, WindowsDirectoryCopyWinsForBothKindsOfReader) {
  UseWindir();
  WinIni("[ZELNAR]\r\nDIRZELNAR=from-windows\r\n[VIDEO]\r\nLENTO=SIM\r\n");
  StartIni("[ZELNAR]\nDIRZELNAR=from-start\n[VIDEO]\nLENTO=NAO\n");
  EXPECT_EQ(ReadSetting("ZELNAR", "DIRZELNAR"), "from-windows");
  EXPECT_EQ(GetProfileString("VIDEO", "LENTO", "x", 255, "TAVIRO.INI"), "SIM");
}

TEST_F(SettingsTest, StartupCopyFoundOnlyByReadSetting) {
  UseWindir();
  StartIni("[ZELNAR]\nDIRZELNAR=from-start\n[VIDEO]\nLENTO=NAO\n");
  EXPECT_EQ(ReadSetting("ZELNAR", "DIRZELNAR"), "from-start");
  // The bare-name reader never looks in the start-up directory.
  EXPECT_EQ(GetProfileString("VIDEO", "LENTO", "padrao", 255, "TAVIRO.INI"), "padrao");
}

// A user's own copy holds only what it changes; the rest is the installation's.
TEST_F(SettingsTest, TheUsersCopyFallsBackKeyByKeyToTheInstallations) {
  TempDir drives, config;
  ScopedEnv drivesEnv("ZELNAR_DRIVES", drives.path());
  ScopedEnv configEnv("XDG_CONFIG_HOME", config.path());
  drives.Write("c/windows/TAVIRO.INI", "[TRADUTOR]\r\nDIRDIFONES=C:\\difones\r\n[VIDEO]\r\nCORFUNDO=0\r\n");
  config.Write("taviro/TAVIRO.INI", "[VIDEO]\nCORFUNDO=1\n");
  EXPECT_EQ(GetProfileString("VIDEO", "CORFUNDO", "", 255, "TAVIRO.INI"), "1");
  EXPECT_EQ(ReadSetting("TRADUTOR", "DIRDIFONES"), "C:\\difones");
}

TEST_F(SettingsTest, ProgramDirectoryExpansion) {
  UseWindir();
  WinIni("[TAVIRO]\nPGMTAVIRO=D:\\fam\n[ZELNAR]\nDIRZELNAR=@\\som\\zelnar\nLONE=@\nMID=a@b\nTWO=@\\x;@\\y\n");
  EXPECT_EQ(ReadSetting("ZELNAR", "DIRZELNAR"), "D:\\fam\\som\\zelnar");
  EXPECT_EQ(ReadSetting("ZELNAR", "LONE"), "D:\\fam");
  EXPECT_EQ(ReadSetting("ZELNAR", "MID"), "a@b");
  EXPECT_EQ(ReadSetting("ZELNAR", "TWO"), "D:\\fam\\x;D:\\fam\\y");
}

TEST_F(SettingsTest, ProgramDirectoryAbsentOrItselfStartingWithAt) {
  UseWindir();
  WinIni("[ZELNAR]\nDIRZELNAR=@\\som\\zelnar\n");
  EXPECT_EQ(ReadSetting("ZELNAR", "DIRZELNAR"), startup_ + "\\som\\zelnar");
  WinIni("[TAVIRO]\nPGMTAVIRO=@\\elsewhere\n[ZELNAR]\nDIRZELNAR=@\\som\\zelnar\n");
  EXPECT_EQ(ReadSetting("ZELNAR", "DIRZELNAR"), startup_ + "\\som\\zelnar");
}

TEST_F(SettingsTest, ReplacedTextIsNotExaminedAgain) {
  UseWindir();
  WinIni("[TAVIRO]\nPGMTAVIRO=D:\\a@\\b\n[ZELNAR]\nDIRZELNAR=@\\som\n");
  EXPECT_EQ(ReadSetting("ZELNAR", "DIRZELNAR"), "D:\\a@\\b\\som");
}

TEST_F(SettingsTest, ProgramDirectoryReadAgainForEveryAt) {
  UseWindir();
  WinIni("[TAVIRO]\nPGMTAVIRO=D:\\one\n[ZELNAR]\nDIRZELNAR=@\\som\n");
  EXPECT_EQ(ReadSetting("ZELNAR", "DIRZELNAR"), "D:\\one\\som");
  WinIni("[TAVIRO]\nPGMTAVIRO=D:\\two\n[ZELNAR]\nDIRZELNAR=@\\som\n");
  EXPECT_EQ(ReadSetting("ZELNAR", "DIRZELNAR"), "D:\\two\\som");  // nothing cached
}

TEST_F(SettingsTest, EmptySectionMeansTaviroAndNamesIgnoreCase) {
  UseWindir();
  WinIni("[taviro]\nCorFundo=3\n[Zelnar]\ndirzelnar=x\n");
  EXPECT_EQ(ReadSetting("", "CORFUNDO"), "3");
  EXPECT_EQ(ReadSetting("ZELNAR", "DIRZELNAR"), "x");
}

TEST_F(SettingsTest, LongValueIsCutTo254) {
  UseWindir();
  WinIni("[ZELNAR]\nDIRZELNAR=" + std::string(300, 'v') + "\n");
  EXPECT_EQ(ReadSetting("ZELNAR", "DIRZELNAR"), std::string(254, 'v'));
  EXPECT_EQ(GetProfileString("ZELNAR", "DIRZELNAR", "", 80, "TAVIRO.INI"), std::string(79, 'v'));
}

TEST_F(SettingsTest, AbsentFileGivesEmptyAndDefaults) {
  UseWindir();
  EXPECT_EQ(ReadSetting("ZELNAR", "DIRZELNAR"), "");
  EXPECT_EQ(GetProfileString("BRAILLE", "MODO", "0", 255, "TAVIRO.INI"), "0");
}

TEST_F(SettingsTest, OddFilesNeverCrashAndGiveDefaults) {
  UseWindir();
  // No final line end, lines without "=", a repeated section, Latin-1 bytes.
  WinIni("garbage line\n[ZELNAR]\nno equals here\nNOME=Jo\xE3o\xFF\n[ZELNAR]\nLATER=2\n[X]\nLAST=fim");
  EXPECT_EQ(ReadSetting("ZELNAR", "NOME"), "Jo\xE3o\xFF");
  EXPECT_EQ(ReadSetting("ZELNAR", "LATER"), "");  // only the first section of a name is read
  EXPECT_EQ(ReadSetting("X", "LAST"), "fim");
  EXPECT_EQ(GetProfileString("ZELNAR", "NOME", "d", 3, "TAVIRO.INI"), "Jo");
}

TEST_F(SettingsTest, SectionHeaderNeedsItsClosingBracket) {
  UseWindir();
  // A header cut short is no header: its keys stay in the section before it.
  WinIni("[TAVIRO]\n[ZELNAR\nDIRZELNAR=sem-fecho\n[VIDEO]X]\nLENTO=SIM\n");
  EXPECT_EQ(ReadSetting("ZELNAR", "DIRZELNAR"), "");
  EXPECT_EQ(ReadSetting("", "DIRZELNAR"), "sem-fecho");
  // The name runs to the last bracket.
  EXPECT_EQ(GetProfileString("video]x", "LENTO", "", 255, "TAVIRO.INI"), "SIM");
}

TEST_F(SettingsTest, UnreadableFileGivesDefault) {
  UseWindir();
  mkdir((windir_ + "/TAVIRO.INI").c_str(), 0755);  // a folder where the file should be
  EXPECT_EQ(ReadSetting("ZELNAR", "DIRZELNAR"), "");
  EXPECT_EQ(GetProfileString("VIDEO", "LENTO", "NAO", 255, "TAVIRO.INI"), "NAO");
}

}  // namespace
