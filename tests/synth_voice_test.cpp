// The synthesizer's voice as the build installs it: the database holds every
// diphone of the phoneme inventory, its diphone list says exactly what it
// holds, and zelnar-mbrola speaks phoneme lines with it into a WAV file.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "synth/mbrola/database.h"
#include "tests/support/testenv.h"

namespace {
const std::string kDir = ZELNAR_BUILD_DIR "/drives/c/kelmar/davuridi/";

TEST(SynthVoiceTest, EveryPairOfTheInventoryIsInTheVoiceAndItsList) {
  std::istringstream inventory(ReadFileBytes(ZELNAR_SOURCE_DIR "/voice/synth/fonemas.txt"));
  std::vector<std::string> names;
  for (std::string line; std::getline(inventory, line);) {
    std::istringstream words(line);
    std::string name;
    if (words >> name && name[0] != ';') names.push_back(name);
  }
  std::set<std::string> held, listed;
  mbr::Database db;
  std::string error;
  ASSERT_TRUE(mbr::LoadDatabase(kDir + "br4", db, error)) << error;
  for (const mbr::Diphone& d : db.diphones) held.insert(d.left + "-" + d.right);
  std::istringstream list(ReadFileBytes(kDir + "portug.dfn"));
  for (std::string line; std::getline(list, line);)
    if (!line.empty() && line[0] != ';') listed.insert(line);
  ASSERT_EQ(names.size(), 41u);
  for (const std::string& a : names)
    for (const std::string& b : names) EXPECT_TRUE(held.count(a + "-" + b)) << a << "-" << b;
  EXPECT_EQ(listed, held);
}

TEST(SynthVoiceTest, ZelnarMbrolaWritesTheSpeechOfAPhonemeFile) {
  TempDir t;
  std::string pho = t.Write("casa.pho", "; casa\n_ 50\nk 80\na 120 50 220\nz 90\na2 110 100 180\n_ 50\n");
  std::string tool = ZELNAR_BUILD_DIR "/zelnar-mbrola ";
  EXPECT_EQ(ShellOutput(tool + kDir + "br4 " + pho + " " + t.path() + "/casa.wav && echo done"), "done\n");
  std::string wav = ReadFileBytes(t.path() + "/casa.wav");
  ASSERT_EQ(wav.size(), 44u + 2u * 500u * 16u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(static_cast<unsigned char>(wav[24]) | static_cast<unsigned char>(wav[25]) << 8, 16000);
  EXPECT_EQ(ShellOutput(tool + t.path() + "/none " + pho + " " + t.path() + "/x.wav 2>/dev/null || echo failed"),
            "failed\n");
}

}  // namespace
