// The synthesizer's settings: the registry reader over our registry file,
// and the glue's data files from DAVURIDI, the registry and the defaults.
#include <gtest/gtest.h>

#include "synth/gluesettings.h"
#include "synth/minireg.h"
#include "tests/support/testenv.h"

namespace {
using synth::ReadRegistryString;

class SynthSettingsTest : public ::testing::Test {
 protected:
  void Registry(const std::string& text) { dir_.Write("zelnar.reg", text); }
  void Settings(const std::string& text) { dir_.Write("TAVIRO.INI", text); }
  std::string Read(const std::string& path, const char* root = synth::kLocalMachine) {
    std::string out = "unchanged";
    return ReadRegistryString(root, path, out) ? out : "false:" + out;
  }
  TempDir dir_;
  ScopedEnv windir_{"WINDIR", dir_.path()};
  ScopedEnv drives_{"ZELNAR_DRIVES", dir_.path()};  // its c:\windows has no registry either
};

TEST_F(SynthSettingsTest, RegistryValuesByKeyAndName) {
  Registry(
      "; a comment\r\n"
      "odd line\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TCTS\\Mbrola\\databases\\br4]\r\n"
      "@=\"c:\\kelmar\\davuridi\\br4\"\r\n"
      "\"Lingua\" = \"pt-BR\"\r\n"
      "Plain=sem aspas\r\n"
      "Count=dword:00000001\r\n"
      "Vazio=\"\"\r\n"
      "@=\"second default\"\r\n"
      "[HKCU\\Software\\Outro]\r\n"
      "@=\"user\"\r\n");
  EXPECT_EQ(Read("SOFTWARE\\TCTS\\Mbrola\\databases\\BR4\\"), "c:\\kelmar\\davuridi\\br4");
  EXPECT_EQ(Read("software\\tcts\\mbrola\\databases\\br4\\lingua"), "pt-BR");
  EXPECT_EQ(Read("SOFTWARE\\TCTS\\Mbrola\\databases\\br4\\Plain"), "sem aspas");
  EXPECT_EQ(Read("SOFTWARE\\TCTS\\Mbrola\\databases\\br4\\Vazio"), "");
  EXPECT_EQ(Read("SOFTWARE\\TCTS\\Mbrola\\databases\\br4\\Count"), "false:unchanged");  // not a string
  EXPECT_EQ(Read("SOFTWARE\\TCTS\\Mbrola\\databases\\br4\\Nada"), "false:unchanged");
  EXPECT_EQ(Read("SOFTWARE\\TCTS\\Mbrola\\databases\\br1\\"), "false:unchanged");
  EXPECT_EQ(Read("sem barra"), "false:unchanged");
  EXPECT_EQ(Read("Software\\Outro\\"), "false:unchanged");  // another root
  EXPECT_EQ(Read("Software\\Outro\\", "HKEY_CURRENT_USER"), "user");
}

TEST_F(SynthSettingsTest, NoRegistryFileReadsAsAbsent) {
  EXPECT_EQ(Read("SOFTWARE\\TCTS\\Mbrola\\databases\\br4\\"), "false:unchanged");
}

// A user's own settings folder holds no registry: the installation's serves.
TEST_F(SynthSettingsTest, TheInstallationsRegistryServesASettingsFolderWithoutOne) {
  dir_.Write("c/windows/zelnar.reg", "[HKLM\\SOFTWARE\\TCTS\\Mbrola\\databases\\br4]\r\n@=\"c:\\voz\\br4\"\r\n");
  EXPECT_EQ(Read("SOFTWARE\\TCTS\\Mbrola\\databases\\br4\\"), "c:\\voz\\br4");
  Registry("[HKLM\\SOFTWARE\\TCTS\\Mbrola\\databases\\br4]\r\n@=\"d:\\br4\"\r\n");
  EXPECT_EQ(Read("SOFTWARE\\TCTS\\Mbrola\\databases\\br4\\"), "d:\\br4");
}

TEST_F(SynthSettingsTest, DefaultsWithoutSettingsOrRegistry) {
  synth::InitSynthGlue();
  const synth::SynthFiles& f = synth::SynthGlueFiles();
  EXPECT_EQ(f.database, "br4");
  EXPECT_EQ(f.directory, "\\kelmar\\davuridi\\");
  EXPECT_EQ(f.rules, "\\kelmar\\davuridi\\portug.nrl");
  EXPECT_EQ(f.exceptions, "\\kelmar\\davuridi\\portug.exc");
  EXPECT_EQ(f.abbreviations, "\\kelmar\\davuridi\\portug.abr");
  EXPECT_EQ(f.prosody, "\\kelmar\\davuridi\\portug.pro");
  EXPECT_EQ(f.diphones, "\\kelmar\\davuridi\\portug.dfn");
}

TEST_F(SynthSettingsTest, EmptyDirTakesTheFolderOfTheRegisteredDatabase) {
  Settings("[DAVURIDI]\r\nDIR=\r\n");
  Registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\TCTS\\Mbrola\\databases\\BR4]\r\n@=\"c:\\kelmar\\davuridi\\br4\"\r\n");
  synth::InitSynthGlue();
  EXPECT_EQ(synth::SynthGlueFiles().directory, "c:\\kelmar\\davuridi\\");
  EXPECT_EQ(synth::SynthGlueFiles().rules, "c:\\kelmar\\davuridi\\portug.nrl");
  EXPECT_EQ(synth::SynthGlueFiles().database, "br4");
}

TEST_F(SynthSettingsTest, ARegisteredPathTooShortForTheNameGivesTheDefaultFolder) {
  Registry("[HKLM\\SOFTWARE\\TCTS\\Mbrola\\databases\\br4]\r\n@=\"br4\"\r\n");
  synth::InitSynthGlue();
  EXPECT_EQ(synth::SynthGlueFiles().directory, "\\kelmar\\davuridi\\");
}

TEST_F(SynthSettingsTest, SettingsWinAndTheFolderGetsItsBackslash) {
  Settings("[DAVURIDI]\r\nMBROLA_DB=br1\r\nDIR=d:\\voz\r\nBASE=outra\r\n");
  Registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\TCTS\\Mbrola\\databases\\BR4]\r\n@=\"c:\\kelmar\\davuridi\\br4\"\r\n");
  synth::InitSynthGlue();
  const synth::SynthFiles& f = synth::SynthGlueFiles();
  EXPECT_EQ(f.database, "br1");
  EXPECT_EQ(f.directory, "d:\\voz\\");
  EXPECT_EQ(f.prosody, "d:\\voz\\outra.pro");
  EXPECT_EQ(f.diphones, "d:\\voz\\outra.dfn");
}

}  // namespace
