// The translator's voice as the build installs it: the rules and exceptions
// load whole, the README names every symbol, every database holds every
// segment the corpus needs with clean edges, and zelnar-say answers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/latin1.h"
#include "tests/support/testenv.h"
#include "translator/files.h"
#include "translator/phonetic.h"
#include "translator/player.h"

namespace {

const std::string kVoice = std::string(ZELNAR_SOURCE_DIR) + "/voice";
const std::string kDiphones = std::string(ZELNAR_BUILD_DIR) + "/drives/c/kelmar/som/difones";

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream f(path);
  std::vector<std::string> lines;
  for (std::string l; std::getline(f, l);) lines.push_back(l);
  return lines;
}

std::set<std::string> gNames;
void Collect(std::string_view name, bool, int depth) {
  if (depth == 0 && !name.empty() && name[0] == '$') {
    std::string key(name);
    for (char& c : key)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    gNames.insert(key);
  }
}


class Voice : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTranslator();
    ResetPlayer();
    ASSERT_TRUE(LoadTranslatorRules(kVoice + "/regras.rgr"));
    ASSERT_TRUE(LoadTranslatorExceptions(kVoice + "/portug.exc"));
  }
  void TearDown() override {
    ResetPlayer();
    ResetTranslator();
  }
};

TEST_F(Voice, EveryRulesLineAndExceptionIsUsable) {
  size_t rules = 0;
  for (int c = 32; c <= 95; ++c) rules += RuleList(c).size();
  size_t lines = 0;
  for (const std::string& l : Lines(kVoice + "/regras.rgr")) lines += !l.empty();
  EXPECT_EQ(rules, lines);
  for (const WordAlias& a : ExceptionTable()) {
    EXPECT_EQ(a.word.find('|'), std::string::npos) << a.word;
    EXPECT_FALSE(a.replacement.empty()) << a.word;
  }
}

TEST_F(Voice, TheReadmeNamesEverySymbolTheRulesOutput) {
  std::set<std::string> symbols;
  for (const std::string& l : Lines(kVoice + "/README-fonetica.md"))
    if (l.rfind("| `", 0) == 0) symbols.insert(l.substr(3, l.find('`', 3) - 3));
  for (int c = 32; c <= 95; ++c)
    for (const TranslatorRule& r : RuleList(c)) {
      std::string out;
      for (char ch : r.output)
        if (ch != ' ') out += static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
      for (size_t i = 0; i < out.size();) {
        size_t len = 3;
        while (len > 0 && !(i + len <= out.size() && symbols.count(out.substr(i, len)))) --len;
        ASSERT_GT(len, 0u) << "(" << r.match << ")=" << r.output << " at " << out.substr(i);
        i += len;
      }
    }
}

TEST_F(Voice, ClustersNasalsGlidesAndVoicedS) {
  EXPECT_EQ(TextToPhonetic("absoluto"), "[a/ b/ s/o^/ l/U/ t/u]");  // no vowel after b inside the word
  EXPECT_EQ(TextToPhonetic("clube"), "[ k/l/U/ b/i]");               // but one at the end
  EXPECT_EQ(TextToPhonetic("banho"), "[ b/A~/ nh/u]");
  EXPECT_EQ(TextToPhonetic("pouco"), "[ p/O^w/ k/u]");
  EXPECT_EQ(TextToPhonetic("esmeralda"), "[i/z/ m/e^/ r/A/w/ d/a^]");
  EXPECT_EQ(TextToPhonetic("Marretta"), "[ m/a/ rr/E^// t/a^]");
}

TEST_F(Voice, EveryDatabaseHoldsEverySegmentOfTheCorpusWithCleanEdges) {
  std::ifstream corpus(kVoice + "/corpus.txt");
  std::stringstream text;
  text << corpus.rdbuf();
  gNames.clear();
  SetSegmentObserver(Collect);
  SpeakPhonetic(TextToPhonetic(Utf8ToLatin1(text.str())));  // not started: names only
  SetSegmentObserver(nullptr);
  ASSERT_GT(gNames.size(), 200u);
  for (int speed = 1; speed <= 5; ++speed) {
    std::string base = kDiphones + "/DIFONES" + std::to_string(speed);
    std::string index = ReadFileBytes(base + ".IND"), data = ReadFileBytes(base + ".DIF");
    ASSERT_EQ(index.size() % 15, 0u) << base;
    std::set<std::string> held;
    std::string previous;
    for (size_t i = 0; i < index.size(); i += 15) {
      const unsigned char* r = reinterpret_cast<const unsigned char*>(index.data() + i);
      std::string name(reinterpret_cast<const char*>(r + 1), r[0]);
      uint32_t length = r[9] | r[10] << 8, offset = r[11] | r[12] << 8 | r[13] << 16 | uint32_t(r[14]) << 24;
      EXPECT_LT(previous, name) << "sorted";
      previous = name;
      held.insert(name);
      ASSERT_GT(length, 20u) << name;  // a plosive burst is short, but never empty
      ASSERT_LE(offset + length, data.size()) << name;
      auto at = [&](uint32_t k) { return static_cast<int>(static_cast<unsigned char>(data[offset + k])) - 128; };
      EXPECT_LE(std::abs(at(0)), 4) << name << " starts with a click";
      EXPECT_LE(std::abs(at(length - 1)), 4) << name << " ends with a click";
    }
    for (const std::string& n : gNames) EXPECT_TRUE(held.count(n)) << n << " missing from " << base;
  }
}

TEST(VoiceSpeeds, FasterDatabasesAreShorterAtOneLevelAndOnePitch) {
  double lastSeconds = 1e9, firstRms = 0;
  for (int speed = 1; speed <= 5; ++speed) {
    std::string data = ReadFileBytes(kDiphones + "/DIFONES" + std::to_string(speed) + ".DIF");
    ASSERT_FALSE(data.empty());
    double sum = 0;
    for (char c : data) sum += std::pow(static_cast<unsigned char>(c) - 128, 2);
    double rms = std::sqrt(sum / static_cast<double>(data.size())), seconds = data.size() / 11025.0;
    EXPECT_LT(seconds, lastSeconds * 0.95) << "speed " << speed;
    lastSeconds = seconds;
    if (speed == 1) firstRms = rms;
    EXPECT_NEAR(rms / firstRms, 1.0, 0.06) << "speed " << speed;  // within half a decibel
    // The pitch: the strongest period of the vowel segment $A, 70 to 300 Hz.
    std::string index = ReadFileBytes(kDiphones + "/DIFONES" + std::to_string(speed) + ".IND");
    size_t at = index.find(std::string("\x02$A\0", 4));
    ASSERT_NE(at, std::string::npos);
    const unsigned char* r = reinterpret_cast<const unsigned char*>(index.data() + at);
    uint32_t length = r[9] | r[10] << 8, offset = r[11] | r[12] << 8 | r[13] << 16 | uint32_t(r[14]) << 24;
    ASSERT_GT(length, 600u);
    auto x = [&](uint32_t k) { return static_cast<double>(static_cast<unsigned char>(data[offset + k])) - 128; };
    int best = 0;
    double top = 0;
    for (int lag = 11025 / 300; lag <= 11025 / 70; ++lag) {
      double c = 0;
      for (uint32_t k = 100; k < 400; ++k) c += x(k) * x(k + static_cast<uint32_t>(lag));
      if (c > top) top = c, best = lag;
    }
    EXPECT_NEAR(11025.0 / best, 118.0, 6.0) << "speed " << speed;
  }
}

TEST(SayTool, PhoneticIpaAndWav) {
  const std::string say = std::string(ZELNAR_BUILD_DIR) + "/zelnar-say";
  EXPECT_EQ(ShellOutput(say + " --phonetic 'casa da m\xC3\xA3" "e'"), "[ k/A/ z/a^][ d/a^][ m/A~y]\n");
  EXPECT_EQ(ShellOutput("printf 'casa\\np\xC3\xA3o\\n' | " + say + " --ipa"), "\xCB\x88ka.z\xC9\x90\n\xCB\x88p\xC9\x90\xCC\x83w\xCC\x83\n");
  // A spelled word: the names its letters' recordings say.
  EXPECT_EQ(ShellOutput(say + " --ipa cpf"), "\xCB\x88se \xCB\x88pe \xCB\x88\xC9\x9B.fi\n");
  TempDir dir;
  std::string wav = dir.path() + "/fala.wav";
  ShellOutput(say + " --wav " + wav + " 'Conex\xC3\xA3o estabelecida'");
  std::string bytes = ReadFileBytes(wav);
  ASSERT_GT(bytes.size(), 44u + 22050 / 2);  // at least half a second of speech
  EXPECT_EQ(bytes.substr(0, 4), "RIFF");
  EXPECT_NE(ShellOutput(say + " --coverage 'rede sem fio'").find("(100.00%)"), std::string::npos);
}

}  // namespace
