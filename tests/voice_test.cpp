// The voice installation that zelnar-voice records into build/drives: every
// file the program asks for is there, in its format, and says something; a
// second run changes nothing; and a run of the program plays the files in
// the order it says them.
#include <gtest/gtest.h>

#include "tests/support/testenv.h"

#include "tests/support/screen.h"
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "app/messages.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/waveout_capture.h"
#include "speech/numbers.h"
#include "speech/sounds.h"
#include "platform/window.h"
#include "tests/support/e2e.h"
#include "tests/support/soundtest.h"

namespace fs = std::filesystem;

namespace {
const std::string kDrives = ZELNAR_BUILD_DIR "/drives";
const std::string kSounds = kDrives + "/c/kelmar/som/zelnar";
const std::string kLetters = kDrives + "/c/kelmar/som/letras";
const std::string kTool = ZELNAR_BUILD_DIR "/zelnar-voice";
const std::string kVoice = ZELNAR_SOURCE_DIR "/voice";

struct Wav {
  bool ok = false;
  int rate = 0, bits = 0, channels = 0;
  std::vector<uint8_t> data;
};

uint32_t U32(const std::string& s, size_t o) {
  return uint8_t(s[o]) | (uint8_t(s[o + 1]) << 8) | (uint8_t(s[o + 2]) << 16) | (uint32_t(uint8_t(s[o + 3])) << 24);
}
uint16_t U16(const std::string& s, size_t o) { return static_cast<uint16_t>(uint8_t(s[o]) | (uint8_t(s[o + 1]) << 8)); }

// A plain PCM file: "fmt " at 12, "data" at 36, samples from byte 44.
Wav ReadWav(const std::string& path) {
  Wav w;
  std::string s = ReadFileBytes(path);
  if (s.size() < 44 || s.compare(0, 4, "RIFF") || s.compare(8, 8, "WAVEfmt ") || U32(s, 16) != 16 ||
      s.compare(36, 4, "data") || U32(s, 40) != s.size() - 44 || U32(s, 4) != s.size() - 8)
    return w;
  w.ok = U16(s, 20) == 1;
  w.channels = U16(s, 22);
  w.rate = static_cast<int>(U32(s, 24));
  w.bits = U16(s, 34);
  w.data.assign(s.begin() + 44, s.end());
  return w;
}

// The loudest sample, 0..1.
double Peak(const Wav& w) {
  double top = 0;
  if (w.bits == 8) {
    for (uint8_t b : w.data) top = std::max(top, std::fabs(b - 128.0) / 128.0);
  } else {
    for (size_t i = 0; i + 1 < w.data.size(); i += 2)
      top = std::max(top, std::fabs(static_cast<int16_t>(w.data[i] | (w.data[i + 1] << 8)) / 32768.0));
  }
  return top;
}

double Seconds(const Wav& w) { return double(w.data.size()) / (w.rate * w.channels * w.bits / 8); }

void ExpectLetterFormat(const std::string& path) {
  SCOPED_TRACE(path);
  Wav w = ReadWav(path);
  ASSERT_TRUE(w.ok);
  EXPECT_EQ(w.rate, 11025);
  EXPECT_EQ(w.bits, 8);
  EXPECT_EQ(w.channels, 1);
  EXPECT_GT(Peak(w), 0.5);
  EXPECT_GT(Seconds(w), 0.05);
  EXPECT_LT(Seconds(w), 3.0);
}


std::map<std::string, fs::file_time_type> Times(const std::string& dir) {
  std::map<std::string, fs::file_time_type> t;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) t[e.path().string()] = e.last_write_time();
  return t;
}
}  // namespace

TEST(VoiceInstallation, EveryCatalogueMessageIsSpoken) {
  ASSERT_FALSE(MessageCodes().empty());
  for (const std::string& code : MessageCodes()) {
    SCOPED_TRACE(code);
    Wav w = ReadWav(kSounds + "/" + code + ".wav");
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.channels, 1);
    EXPECT_GT(Peak(w), 0.5);
    EXPECT_GT(Seconds(w), 0.4);
    EXPECT_LT(Seconds(w), 8.0);
  }
  // A long text takes longer to say than a short one.
  EXPECT_GT(Seconds(ReadWav(kSounds + "/ZLSUCESS.wav")), Seconds(ReadWav(kSounds + "/ZLDESIST.wav")) + 0.5);
}

TEST(VoiceInstallation, ItemSoundsAreShortAndDistinct) {
  Wav ok = ReadWav(kSounds + "/ok.wav"), selected = ReadWav(kSounds + "/menu_selected.wav");
  ASSERT_TRUE(ok.ok);
  ASSERT_TRUE(selected.ok);
  EXPECT_LT(Seconds(ok), 0.6);
  EXPECT_LT(Seconds(selected), 0.6);
  EXPECT_GT(Peak(ok), 0.3);
  EXPECT_GT(Peak(selected), 0.3);
  EXPECT_NE(ok.data, selected.data);
}

TEST(VoiceInstallation, EveryCharacterHasItsName) {
  std::set<std::vector<uint8_t>> distinct;
  for (int c = 32; c <= 255; ++c) {
    std::string path = kLetters + "/_" + std::to_string(c) + ".wav";
    ExpectLetterFormat(path);
    distinct.insert(ReadWav(path).data);
  }
  EXPECT_GT(distinct.size(), 200u);  // a few marks share a name (two tildes)
  EXPECT_GT(Seconds(ReadWav(kLetters + "/_65.wav")), Seconds(ReadWav(kLetters + "/_97.wav")));  // "maiúsculo"
}

TEST(VoiceInstallation, EveryNumberWordIsThere) {
  for (const char* w : {"um", "dois", "tres", "quatro", "cinco", "seis", "sete", "oito", "nove", "dez", "onze", "doze",
                        "treze", "quatorz", "quinze", "dezesse", "dezeset", "dezoito", "dezenov", "vinte", "trinta",
                        "quarent", "cinquen", "sessent", "setenta", "oitenta", "noventa", "cem", "cento", "duzento",
                        "trezent", "quatroc", "quinhen", "seiscen", "setecen", "oitocen", "novecen", "mil", "e",
                        "zero", "MENOS"})
    ExpectLetterFormat(kLetters + "/_" + w + ".wav");
  // Every word of every number the program says has its file.
  SetLettersDirectory(kLetters);
  std::set<std::string> files;
  for (uint32_t n = 0; n < 1000000; n += (n < 2100 ? 1 : 997)) {
    std::string words = NumberToWords(n) + " ";
    for (size_t i = 0, j; (j = words.find(' ', i)) != std::string::npos; i = j + 1)
      if (j > i) files.insert(NumberWordFile(words.substr(i, j - i)));
  }
  for (const std::string& f : files) EXPECT_TRUE(FileExists(f)) << f;
  EXPECT_GE(files.size(), 38u);
  ResetSounds();
}

TEST(VoiceInstallation, TheSplashPictureIsA24BitBmp) {
  std::string s = ReadFileBytes(kSounds + "/BRENIQ.BMP");
  ASSERT_GE(s.size(), 54u);
  EXPECT_EQ(s.substr(0, 2), "BM");
  EXPECT_EQ(U32(s, 14), 40u);
  EXPECT_EQ(U16(s, 28), 24);
  uint32_t width = U32(s, 18), height = U32(s, 22);
  ASSERT_GT(width, 0u);
  ASSERT_GT(height, 0u);
  ASSERT_LT(height, 0x80000000u);  // stored bottom-up
  uint32_t row = (width * 3 + 3) / 4 * 4;
  EXPECT_EQ(s.size(), U32(s, 10) + row * height);
  std::set<std::string> colours;
  for (size_t i = U32(s, 10); i + 3 <= s.size(); i += 3) colours.insert(s.substr(i, 3));
  EXPECT_GT(colours.size(), 3u);
}

TEST(VoiceInstallation, TheDefaultSettingsPointAtTheRecordings) {
  ScopedEnv windir("WINDIR", kDrives + "/c/windows");
  ScopedEnv drives("ZELNAR_DRIVES", kDrives);
  std::string letters = GetProfileString("TRADUTOR", "DIRLETRAS", "", 255, "TAVIRO.INI");
  std::string sounds = GetProfileString("ZELNAR", "DIRZELNAR", "", 255, "TAVIRO.INI");
  ASSERT_FALSE(letters.empty());
  ASSERT_FALSE(sounds.empty());
  EXPECT_EQ(fs::canonical(ResolvePath(letters)), fs::canonical(kLetters));
  EXPECT_EQ(fs::canonical(ResolvePath(sounds)), fs::canonical(kSounds));
  std::string sapi = GetProfileString("TRADUTOR", "SAPI", "", 255, "TAVIRO.INI");
  EXPECT_EQ(sapi, "N");
  ResetSounds();
  EXPECT_TRUE(FileExists(LettersDirectory() + "_97.wav"));
  ResetSounds();
}

TEST(VoiceInstallation, ASecondRunChangesNothing) {
  auto before = Times(kDrives);
  std::string out = ShellOutput(kTool + " " + kVoice + " " + kDrives);
  EXPECT_NE(out.find(" 0 files made"), std::string::npos) << out;
  EXPECT_EQ(Times(kDrives), before);
}

TEST(VoiceInstallation, AChangedTextRemakesOnlyItsFile) {
  TempDir t;
  fs::copy(kVoice, t.path() + "/voice", fs::copy_options::recursive);
  fs::copy(kDrives, t.path() + "/drives", fs::copy_options::recursive);
  std::string table = ReadFileBytes(t.path() + "/voice/numeros.txt");
  size_t at = table.find("\ncem\tcem\n");
  ASSERT_NE(at, std::string::npos);
  table.replace(at, 9, "\ncem\tcem cem\n");
  t.Write("voice/numeros.txt", table);
  std::string before = ReadFileBytes(t.path() + "/drives/c/kelmar/som/letras/_cem.wav");
  std::string out = ShellOutput(kTool + " " + t.path() + "/voice " + t.path() + "/drives");
  EXPECT_NE(out.find(" 1 files made"), std::string::npos) << out;
  Wav now = ReadWav(t.path() + "/drives/c/kelmar/som/letras/_cem.wav");
  ASSERT_TRUE(now.ok);
  EXPECT_GT(now.data.size(), before.size());
}

namespace {
// The blocks captured from `from` on hold `data` in `format`, in order (an
// 8-bit mono block ends on 128, a short block is padded).
void ExpectPlayed(size_t& from, const Wav& w) {
  const std::vector<CapturedBlock>& blocks = WaveCapture().blocks;
  size_t done = 0;
  while (done < w.data.size()) {
    ASSERT_LT(from, blocks.size());
    const CapturedBlock& b = blocks[from++];
    ASSERT_EQ(b.format, (WaveFormat{w.rate, w.bits, w.channels}));
    size_t n = std::min(b.bytes.size(), w.data.size() - done);
    ASSERT_TRUE(std::equal(b.bytes.begin(), b.bytes.begin() + static_cast<long>(n) - 1,
                           w.data.begin() + static_cast<long>(done)));
    done += n;
  }
}
}  // namespace

TEST(VoiceInstallation, ARunPlaysEachMessageInOrder) {
  SoundTestEnv env;
  char* old = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(kSounds.c_str()), 0);  // the sound directory, before speech start-up names it
  SetLettersDirectory(kLetters);
  SayMessage("ZLINIC");
  SayMessage("ZLLISTA");
  PlayNamedSound("menu_selected");
  SayMessage("ZLSOLCON");
  PlayNamedSound("ok");
  SayMessage("ZLESTABE");
  SpeakLetter('S');
  PlayNumberWords(NumberToWords(21));
  SayMessage("ZLFIM");
  std::string printed = ScreenText();
  EXPECT_NE(printed.find("Zelnar - Gerenciador de redes Wi-Fi"), std::string::npos);

  Wav number;
  number.ok = true, number.rate = 11025, number.bits = 8, number.channels = 1;
  for (const char* w : {"_vinte", "_e", "_um"}) {
    Wav part = ReadWav(kLetters + "/" + w + ".wav");
    number.data.insert(number.data.end(), part.data.begin(), part.data.end());
  }
  size_t at = 0;
  for (const std::string& f : {kSounds + "/ZLINIC.wav", kSounds + "/ZLLISTA.wav", kSounds + "/menu_selected.wav",
                               kSounds + "/ZLSOLCON.wav", kSounds + "/ok.wav", kSounds + "/ZLESTABE.wav",
                               kLetters + "/_83.wav"}) {
    SCOPED_TRACE(f);
    ExpectPlayed(at, ReadWav(f));
  }
  ExpectPlayed(at, number);
  ExpectPlayed(at, ReadWav(kSounds + "/ZLFIM.wav"));
  EXPECT_EQ(at, WaveCapture().blocks.size());
  EXPECT_EQ(chdir(old), 0);
  free(old);
  ResetSounds();
}

namespace {
// The names of the recorded files the captured blocks hold, in order: at
// each point the file of the installation whose samples come next (several
// words may share one block, as numbers do). A block's last byte may have
// been set to the centre line and a short block padded; samples of no file
// show as one "?" per run.
std::vector<std::string> FilesPlayed() {
  std::vector<std::pair<std::string, Wav>> files;
  for (const std::string& dir : {kSounds, kLetters})
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().extension() == ".wav") files.emplace_back(e.path().stem().string(), ReadWav(e.path().string()));
  const std::vector<CapturedBlock>& blocks = WaveCapture().blocks;
  // Whether w's samples follow from byte `off` of block `b`; the place after them.
  auto follows = [&](const Wav& w, size_t b, size_t off, size_t* endBlock, size_t* endOff) {
    for (size_t i = 0; i < w.data.size(); ++i) {
      if (b >= blocks.size() || blocks[b].format != (WaveFormat{w.rate, w.bits, w.channels})) return false;
      const std::vector<uint8_t>& bytes = blocks[b].bytes;
      if (bytes[off] != w.data[i] && off + 1 != bytes.size()) return false;
      if (++off == bytes.size()) ++b, off = 0;
    }
    *endBlock = b, *endOff = off;
    return !w.data.empty();
  };
  std::vector<std::string> names;
  size_t b = 0, off = 0;
  while (b < blocks.size()) {
    bool found = false;
    for (const auto& [name, w] : files) {
      if (follows(w, b, off, &b, &off)) {
        names.push_back(name);
        found = true;
        break;
      }
    }
    if (found) continue;
    if (off == 0 && (names.empty() || names.back() != "?")) names.push_back("?");
    ++b, off = 0;  // the rest of a block after the last word is padding
  }
  return names;
}
}  // namespace

TEST(VoiceInstallation, TheProgramSaysEachMessageOfARunInOrder) {
  if (!ProgramDriver::NetshAvailable()) GTEST_SKIP() << "build/netsh is not built";
  ProgramDriver run(
      "interface Wi-Fi\n"
      "network \"CasaAzul\" WPA2-Personal CCMP key=azul2024casa\n"
      "ap 00:11:22:33:44:55 88 802.11n 6\n"
      "network \"Padaria\" WPA2-Personal CCMP key=paoquente77\n"
      "ap 18:0f:76:5e:01:9a 54 802.11n 11\n"
      "connected \"CasaAzul\"\n"
      "profile \"CasaAzul\"\n",
      "[TRADUTOR]\r\nDIRLETRAS=" + kLetters + "\r\n");
  // The messages of the installation in the run's own sound directory (the
  // profile file is written there).
  for (const auto& e : fs::directory_iterator(kSounds))
    fs::copy_file(e.path(), run.SoundDirectory() + "/" + e.path().filename().string(),
                  fs::copy_options::overwrite_existing);
  run.Then(nullptr, Press(kKeyDown))
      .Then(nullptr, PressEnter())
      .Then(nullptr, TypeText("paoquente77\r"))
      .Then(nullptr, PressEscape())
      .Then(nullptr, TypeText("s"));
  ResetSounds();
  StartWaveCapture();
  int code = run.Run();
  std::vector<std::string> played = FilesPlayed();
  SetWaveBackend(nullptr);
  ResetSounds();
  EXPECT_EQ(code, 0);
  // The recordings of the sound directory, in the order the run says them.
  std::vector<std::string> messages;
  for (const std::string& name : played)
    if (fs::exists(kSounds + "/" + name + ".wav")) messages.push_back(name);
  EXPECT_EQ(messages, (std::vector<std::string>{"ZLINIC", "ZLLISTA", "menu_selected", "ZLCHSFIO", "ZLAGUARD",
                                                "ZLSOLCON", "ok", "ZLESTABE", "ZLLISTA", "ZLCONFIM", "ZLFIM"}));
  // Between the list message and the choice the lines are spoken: the first
  // network's signal, 88%, in number words and the percent sign.
  auto list = std::find(played.begin(), played.end(), "ZLLISTA");
  auto chosen = std::find(list, played.end(), "menu_selected");
  const std::vector<std::string> signal = {"_oitenta", "_e", "_oito", "_37"};
  EXPECT_NE(std::search(list, chosen, signal.begin(), signal.end()), chosen);
  // The answer to the end question is said before the farewell.
  ASSERT_GE(played.size(), 2u);
  EXPECT_EQ(played[played.size() - 2], "_115");
  EXPECT_EQ(played.back(), "ZLFIM");
}
