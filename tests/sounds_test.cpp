// Recorded sounds: where each name is looked for, playing and testing for
// files, the cut, the waits, and the WAV header of images in memory.
#include "speech/sounds.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "console/keyboard.h"
#include "platform/messages.h"
#include "platform/waveout_capture.h"
#include "speech/speech.h"
#include "speech/wavout.h"
#include "tests/support/soundtest.h"

namespace {
class SoundsTest : public ::testing::Test {
 protected:
  SoundsTest() {
    // The sound directory is empty until speech start-up: names are taken
    // from the current directory, which the test makes the sound folder.
    old_ = getcwd(nullptr, 0);
    sounds_ = dir.path() + "/zelnar";
    letters_ = dir.path() + "/letras";
    dir.Write("zelnar/.keep", "");
    EXPECT_EQ(chdir(sounds_.c_str()), 0);
    SetLettersDirectory(letters_);
  }
  ~SoundsTest() override {
    if (old_) {
      EXPECT_EQ(chdir(old_), 0);
      free(old_);
    }
  }
  // A file whose 8-bit samples all hold `mark`, so the test knows which
  // file was played.
  void Sound(const std::string& path, char mark, int n = 400) {
    dir.Write(path, PcmWav(std::string(static_cast<size_t>(n), mark), 11025, 8, 1));
  }
  std::string Marks() {
    std::string s;
    for (const CapturedBlock& b : WaveCapture().blocks) s += static_cast<char>(b.bytes.at(0));
    return s;
  }
  SoundTestEnv env;
  TempDir dir;
  std::string sounds_, letters_;
  char* old_ = nullptr;
};
}  // namespace

TEST_F(SoundsTest, NamesWithAnUnderscoreComeFromTheLettersDirectory) {
  EXPECT_EQ(SoundFileName("_zero"), letters_ + "\\_zero.wav");
  EXPECT_EQ(SoundFileName("menu_selected"), "menu_selected.wav");
  EXPECT_EQ(SoundFileName(""), ".wav");
  EXPECT_EQ(SoundFileName("ZLinic"), "ZLinic.wav");  // no case change

  Sound("zelnar/_zero.wav", 'S');
  Sound("letras/_zero.wav", 'L');
  Sound("zelnar/menu_selected.wav", 'M');
  Sound("letras/menu_selected.wav", 'N');
  PlayNamedSound("_zero");
  PlayNamedSound("menu_selected");
  EXPECT_EQ(Marks(), "LM");

  EXPECT_TRUE(SoundExists("menu_selected"));
  EXPECT_FALSE(SoundExists("_MENOS"));
  Sound("zelnar/_MENOS.wav", 'x');
  EXPECT_FALSE(SoundExists("_MENOS"));
  Sound("letras/_MENOS.wav", 'x');
  EXPECT_TRUE(SoundExists("_MENOS"));
}

TEST_F(SoundsTest, LettersAreNamedByTheirLatin1Code) {
  Sound("letras/_97.wav", 'a');
  Sound("letras/_65.wav", 'A');
  Sound("letras/_233.wav", 'e');
  Sound("letras/_44.wav", ',');
  SpeakLetter('a');
  SpeakLetter('A');
  SpeakLetter(0xE9);
  SpeakLetter(',');
  SpeakLetter('z');  // no file: silent
  EXPECT_EQ(Marks(), "aAe,");
}

TEST_F(SoundsTest, MissingAndBrokenFilesSoundNothing) {
  PlayNamedSound("ZLINIC");
  dir.Write("zelnar/ZLLISTA.wav", "not a wave file at all");
  PlayNamedSound("ZLLISTA");
  EXPECT_TRUE(WaveCapture().blocks.empty());
  EXPECT_FALSE(WavBusy());
}

TEST_F(SoundsTest, AWaitingKeyStopsEverySound) {
  Sound("zelnar/ZLINIC.wav", 'z');
  PressKey('q');
  PlayNamedSound("ZLINIC");
  SpeakLetter('q');
  EXPECT_TRUE(WaveCapture().blocks.empty());
  EXPECT_EQ(TakeKey(), 'q');
  PlayNamedSound("ZLINIC");
  EXPECT_EQ(Marks(), "z");
}

TEST_F(SoundsTest, SpeechBusyCutsOnAKey) {
  SetCaptureAutoComplete(false);
  std::string data(1000, '\x50');
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(data.data()), 1000, 11025, 1, 8);
  EXPECT_TRUE(SpeechBusy());
  PressKey('x');
  EXPECT_FALSE(SpeechBusy());
  EXPECT_TRUE(CutRequested());
  EXPECT_EQ(CapturedBlocksQueued(), 0);  // the device dropped them
  EXPECT_FALSE(WavBusy());
  EXPECT_TRUE(KeyWaiting());  // the key stays for the caller
}

TEST_F(SoundsTest, CutSpeechClosesAndWakesTheWaiter) {
  SetCaptureAutoComplete(false);
  std::string data(1000, '\x50');
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(data.data()), 1000, 11025, 1, 8);
  CutSpeech();
  EXPECT_TRUE(CutRequested());
  EXPECT_FALSE(WavBusy());
  const std::vector<std::string>& calls = WaveCapture().calls;
  EXPECT_NE(std::find(calls.begin(), calls.end(), "reset"), calls.end());
  EXPECT_EQ(calls.back(), "close");
  // The wake-up post is the last message queued.
  static std::vector<unsigned> seen;
  seen.clear();
  CutSpeech();
  SetMessageHandler([](const Message& m) { seen.push_back(m.code); });
  DispatchMessages();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), kMsgSpeechCut);
  SetCutRequest(false);
  EXPECT_FALSE(CutRequested());
}

TEST_F(SoundsTest, PlayImageAndWaitReturnsWhenTheImageHasPlayed) {
  std::vector<uint8_t> image(44 + 70000, 0x60);
  MakeWavHeader(image.data(), 70000, 11025, 1, 8);
  PlayImageAndWait(image.data());
  EXPECT_EQ(WaveCapture().blocks.size(), 2u);
  EXPECT_EQ(CapturedBlocksQueued(), 0);
  EXPECT_FALSE(WavBusy());
  EXPECT_EQ(WaveCapture().calls.back(), "close");
}

TEST_F(SoundsTest, MakeWavHeaderFillsTheTemplate) {
  uint8_t h[44];
  MakeWavHeader(h, 256, 11025, 1, 8);
  auto u32 = [&](int o) { return h[o] | (h[o + 1] << 8) | (h[o + 2] << 16) | (uint32_t(h[o + 3]) << 24); };
  auto u16 = [&](int o) { return h[o] | (h[o + 1] << 8); };
  EXPECT_EQ(std::string(reinterpret_cast<char*>(h), 16), std::string("RIFF\x24\x01\0\0WAVEfmt ", 16));
  EXPECT_EQ(u32(40), 256u);
  EXPECT_EQ(u32(4), 292u);
  EXPECT_EQ(u32(24), 11025u);
  EXPECT_EQ(u32(28), 11025u);
  EXPECT_EQ(u32(16), 16u);
  EXPECT_EQ(u16(20), 1);
  EXPECT_EQ(u16(22), 1);
  EXPECT_EQ(u16(32), 1);
  EXPECT_EQ(u16(34), 8);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(h) + 36, 4), "data");
  MakeWavHeader(h, 1000, 22050, 2, 16);
  EXPECT_EQ(u32(28), 88200u);
  EXPECT_EQ(u16(22), 2);
  EXPECT_EQ(u16(34), 16);
  EXPECT_EQ(u16(32), 1);  // the block align is left as the template has it
}

TEST_F(SoundsTest, TheLettersDirectoryComesFromTheWindowsDirectorysSettings) {
  ResetSounds();
  TempDir windows;
  ScopedEnv windir("WINDIR", windows.path());
  EXPECT_EQ(LettersDirectory(), "c:\\kelmar\\som\\letras\\");
  ResetSounds();
  windows.Write("TAVIRO.INI", "[TRADUTOR]\r\nDIRLETRAS=D:\\vozes\\letras\r\n");
  EXPECT_EQ(LettersDirectory(), "D:\\vozes\\letras\\");
  ResetSounds();
  windows.Write("TAVIRO.INI", "[TRADUTOR]\nDIRLETRAS=\n");
  EXPECT_EQ(LettersDirectory(), "");
}

TEST_F(SoundsTest, TheBellSoundsThroughTheDevice) {
  PlayBell();
  ASSERT_EQ(WaveCapture().blocks.size(), 1u);
  const CapturedBlock& b = WaveCapture().blocks[0];
  EXPECT_EQ(b.format, (WaveFormat{11025, 8, 1}));
  EXPECT_GT(b.bytes.size(), 1000u);
  EXPECT_NE(*std::max_element(b.bytes.begin(), b.bytes.end()), 128);
}

TEST_F(SoundsTest, TheKeyboardTonesSoundThroughTheDevice) {
  // The console as it starts: its tones go to the WAV output.
  ResetKeyboard();
  PlayTone(1000);
  ASSERT_EQ(WaveCapture().blocks.size(), 1u);
  EXPECT_EQ(WaveCapture().blocks[0].format, (WaveFormat{11025, 8, 1}));
  EXPECT_NE(*std::max_element(WaveCapture().blocks[0].bytes.begin(), WaveCapture().blocks[0].bytes.end()), 128);
  StopTone();
  EXPECT_EQ(WaveCapture().calls.back(), "close");
  EXPECT_FALSE(WavBusy());
}

TEST_F(SoundsTest, ARecordedSoundWaitsForWhatIsStillSounding) {
  // Pending from start-up (or after an engine utterance): the sound still in
  // flight ends, and the device closes, before the file is played.
  Sound("zelnar/ZLINIC.wav", 'z');
  std::string data(1000, 'P');
  SetEngineSpeechPending(true);
  SetCaptureAutoComplete(false);
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(data.data()), 1000, 11025, 1, 8);
  CompleteCapturedBlocks();  // its end is reported, not yet taken
  SetCaptureAutoComplete(true);
  PlayNamedSound("ZLINIC");
  EXPECT_EQ(Marks(), "Pz");
  const std::vector<std::string>& calls = WaveCapture().calls;
  auto close = std::find(calls.begin(), calls.end(), "close");
  ASSERT_NE(close, calls.end());
  EXPECT_EQ(std::count(close, calls.end(), "open 11025/8/1"), 1);  // opened again for the file
  EXPECT_FALSE(EngineSpeechPending());

  // A key during that wait cuts what sounds, and the file is not played.
  ClearWaveCaptureLog();
  SetEngineSpeechPending(true);
  SetCaptureAutoComplete(false);
  PlayPcmBlock(reinterpret_cast<const uint8_t*>(data.data()), 1000, 11025, 1, 8);
  PressKey('k');
  PlayNamedSound("ZLINIC");
  SpeakLetter('k');
  EXPECT_EQ(Marks(), "P");
  EXPECT_EQ(CapturedBlocksQueued(), 0);
  EXPECT_TRUE(CutRequested());
  EXPECT_FALSE(EngineSpeechPending());
  EXPECT_EQ(TakeKey(), 'k');
}
