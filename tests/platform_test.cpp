// Windows-style paths, the Windows directory, the start-up directory, the
// time scale and the Latin-1 edges.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/latin1.h"
#include "platform/paths.h"
#include "tests/support/testenv.h"

namespace {

class Paths : public ::testing::Test {
 protected:
  TempDir drives_;
  ScopedEnv env_{"ZELNAR_DRIVES", drives_.path()};
};

TEST_F(Paths, DriveLettersAndBackslashes) {
  EXPECT_EQ(ResolvePath("C:\\kelmar\\som\\zelnar"), drives_.path() + "/c/kelmar/som/zelnar");
  EXPECT_EQ(ResolvePath("d:\\fam"), drives_.path() + "/d/fam");
  EXPECT_EQ(ResolvePath("C:"), drives_.path() + "/c");
  EXPECT_EQ(ResolvePath("\\som\\x.wav"), drives_.path() + "/c/som/x.wav");  // one backslash: drive c
  EXPECT_EQ(ResolvePath("/usr/share"), "/usr/share");                     // POSIX paths unchanged
  EXPECT_EQ(ResolvePath("rel\\dir"), "rel/dir");
}

TEST_F(Paths, LetterCaseOfExistingNamesDoesNotMatter) {
  drives_.Write("c/kelmar/som/zelnar/ZLINIC.wav", "x");
  EXPECT_EQ(ResolvePath("C:\\KELMAR\\Som\\zelnar\\zlinic.WAV"), drives_.path() + "/c/kelmar/som/zelnar/ZLINIC.wav");
  EXPECT_TRUE(FileExists("c:\\Kelmar\\SOM\\Zelnar\\ZLINIC.wav"));
  // A name that is not there keeps its spelling (a file about to be made).
  EXPECT_EQ(ResolvePath("C:\\KELMAR\\novo.xml"), drives_.path() + "/c/kelmar/novo.xml");
  EXPECT_FALSE(FileExists("C:\\KELMAR\\novo.xml"));
}

TEST_F(Paths, WindowsDirectoryChoice) {
  TempDir home;
  ScopedEnv homeEnv("HOME", home.path());
  ScopedEnv xdg("XDG_CONFIG_HOME", "");
  {
    ScopedEnv windir("WINDIR", "C:\\windows");
    EXPECT_EQ(WindowsDirectory(), drives_.path() + "/c/windows");
  }
  ScopedEnv windir("WINDIR", "");
  EXPECT_EQ(WindowsDirectory(), drives_.path() + "/c/windows");  // no user copy: the installation's
  home.Write(".config/taviro/TAVIRO.INI", "[VIDEO]\n");
  EXPECT_EQ(WindowsDirectory(), home.path() + "/.config/taviro");
  // XDG_CONFIG_HOME, when set, takes the place of ~/.config.
  TempDir config;
  ScopedEnv xdgSet("XDG_CONFIG_HOME", config.path());
  EXPECT_EQ(WindowsDirectory(), drives_.path() + "/c/windows");
  config.Write("taviro/TAVIRO.INI", "[VIDEO]\n");
  EXPECT_EQ(WindowsDirectory(), config.path() + "/taviro");
}

TEST(StartupDirectory, TakenOnceWithoutTrailingSlash) {
  TempDir d;
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(d.path().c_str()), 0);
  TakeStartupDirectory();
  ASSERT_EQ(chdir(old), 0);
  EXPECT_EQ(StartupDirectory(), d.path());  // still the one taken, though the process moved
  TakeStartupDirectory();
}

TEST(Clock, TimeScaleFromTheEnvironment) {
  {
    ScopedEnv s("ZELNAR_TIME_SCALE", "0.5");
    EXPECT_EQ(ScaledMs(1500), 750);
  }
  {
    ScopedEnv s("ZELNAR_TIME_SCALE", "0");
    EXPECT_EQ(ScaledMs(1500), 0);
  }
  for (const char* nonsense : {"abc", "-2", "", "1e9"}) {
    ScopedEnv s("ZELNAR_TIME_SCALE", nonsense);
    EXPECT_EQ(ScaledMs(300), 300) << nonsense;
  }
  EXPECT_EQ(ScaledMs(-5), 0);
}

TEST(Latin1, EdgesConvertBothWays) {
  EXPECT_EQ(Latin1ToUtf8("Caf\xE9"), "Café");
  EXPECT_EQ(Utf8ToLatin1("Conexão"), "Conex\xE3o");
  EXPECT_EQ(Utf8ToLatin1("日本"), "??");  // what Latin-1 cannot hold
  EXPECT_EQ(Utf8ToLatin1("a\xC3"), "a?");  // a cut sequence
  EXPECT_TRUE(FitsLatin1("ação"));
  EXPECT_FALSE(FitsLatin1("€"));
}

}  // namespace
