// Speech start-up: the speed index, the per-speed keys, the reading rules
// and defaults, the directories, the engine settings and the failure report.
#include "speech/dispatch.h"
#include "speech/speech.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "console/console.h"
#include "speech/sounds.h"
#include "speech/wavout.h"
#include "platform/waveout_capture.h"
#include "platform/window_headless.h"
#include "tests/support/screen.h"
#include "tests/support/soundtest.h"
#include "tests/support/translatortest.h"
#include "translator/files.h"

namespace {

class SpeechStart : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTranslator();
    ResetSpeechModule();
    SetQuickFlag(false);
    SetCutFlag(false);
    for (int n = 1; n <= 5; ++n) install_.Database({}, "DB" + std::to_string(n));
  }
  void TearDown() override {
    FinishSpeech();
    ResetTranslator();
    SetQuickFlag(false);
    SetCutFlag(false);
  }
  // Settings with one database per speed, DB1 to DB5, and `more`.
  void Start(const std::string& tradutor, const std::string& sintetizador = "", const std::string& more = "",
             int speed = 0, const std::string& sounds = "C:\\som") {
    std::string s;
    for (int n = 1; n <= 5; ++n) s += "DIFONES" + std::to_string(n) + "=DB" + std::to_string(n) + "\r\n";
    install_.Settings(tradutor + "[SINTETIZADOR]\r\n" + s + sintetizador + more);
    StartSpeech(speed, sounds);
  }

  SoundTestEnv env_;
  TranslatorInstall install_;
};

TEST_F(SpeechStart, SpeedFromTheSettingsPicksThePerSpeedKeys) {
  Start("VELOCIDADE=5\r\n", "PAUSAPONTO5=111\r\nPAUSAPONTO3=333\r\nCORTEFON5=12\r\nSOBRAFON5=34\r\nINTERPAL5=56\r\n");
  EXPECT_EQ(SpeedIndex(), 5);
  EXPECT_EQ(DatabaseName(), "DB5");
  EXPECT_EQ(PauseFullStop(), 111);
  EXPECT_EQ(SegmentCut(), 12);
  EXPECT_EQ(SegmentFloor(), 34);
  EXPECT_EQ(WordPause(), 56);
  EXPECT_NE(SpeechBuffer(), nullptr);  // the translator started
}

TEST_F(SpeechStart, SpeedOutOfRangeOrAbsentIsThree) {
  for (const char* v : {"VELOCIDADE=7\r\n", "VELOCIDADE=0\r\n", "", "VELOCIDADE=-2\r\n", "VELOCIDADE=x\r\n"}) {
    ResetTranslator();
    Start(v);
    EXPECT_EQ(SpeedIndex(), 3) << v;
    EXPECT_EQ(DatabaseName(), "DB3") << v;
  }
  ResetTranslator();
  Start("VELOCIDADE=2x\r\n");
  EXPECT_EQ(SpeedIndex(), 2);  // the digits before the first wrong character
  ResetTranslator();
  Start("VELOCIDADE=5\r\n", "", "", 1);
  EXPECT_EQ(SpeedIndex(), 1);  // a speed given by the caller wins
}

TEST_F(SpeechStart, PausesKeepTheirDefaultsUnlessAWholeNumber) {
  Start("", "PAUSAVIRG3=abc\r\n");
  EXPECT_EQ(PauseComma(), 150);
  EXPECT_EQ(PauseFullStop(), 250);
  EXPECT_EQ(PauseColon(), 200);
  ResetTranslator();
  Start("", "PAUSAVIRG3=0\r\nPAUSAPONTO3=$10\r\nPAUSADOISPONTOS3=20ms\r\n");
  EXPECT_EQ(PauseComma(), 0);
  EXPECT_EQ(PauseFullStop(), 16);
  EXPECT_EQ(PauseColon(), 200);
}

TEST_F(SpeechStart, TimingValuesHandedToTheTranslator) {
  Start("", "CORTEFON3=300x\r\nSOBRAFON3=12y\r\nINTERPAL3=0x20\r\n");
  EXPECT_EQ(SegmentCut(), 300);   // what converted
  EXPECT_EQ(SegmentFloor(), 0);   // not a number: 0
  EXPECT_EQ(WordPause(), 32);
  ResetTranslator();
  Start("");
  EXPECT_EQ(SegmentCut(), 0);
  EXPECT_EQ(SegmentFloor(), 0);
  EXPECT_EQ(WordPause(), 0);
}

TEST_F(SpeechStart, PerSpeedValuesAreClampedToTheirRanges) {
  Start("", "CORTEFON3=-2000000000\r\nSOBRAFON3=99999999\r\nINTERPAL3=-5\r\nPAUSAPONTO3=2147483647\r\n"
            "PAUSAVIRG3=-1\r\nPAUSADOISPONTOS3=10000\r\n");
  EXPECT_EQ(SegmentCut(), 0);
  EXPECT_EQ(SegmentFloor(), 65535);
  EXPECT_EQ(WordPause(), 0);
  EXPECT_EQ(PauseFullStop(), 10000);
  EXPECT_EQ(PauseComma(), 0);
  EXPECT_EQ(PauseColon(), 10000);
  ResetTranslator();
  Start("", "CORTEFON3=65536\r\nSOBRAFON3=-1\r\nINTERPAL3=110251\r\n");
  EXPECT_EQ(SegmentCut(), 65535);
  EXPECT_EQ(SegmentFloor(), 0);
  EXPECT_EQ(WordPause(), 110250);
}

TEST_F(SpeechStart, YesNoFlagsOfTheWavOutput) {
  Start("", "CORTAFALA3=Nao\r\nRAPIDINHO3=x\r\n");
  EXPECT_FALSE(CutFlag());
  EXPECT_TRUE(QuickFlag());
  ResetTranslator();
  Start("", "CORTAFALA3=sim\r\nRAPIDINHO3=\r\n");
  EXPECT_TRUE(CutFlag());
  EXPECT_FALSE(QuickFlag());
}

TEST_F(SpeechStart, NoEngineUnlessSapiIsYes) {
  Start("SAPI=N\r\n", "", "[SERVFALA]\r\nTIPOSAPI=5\r\nVOZ=2\r\n");
  EXPECT_FALSE(EngineActive());
  EXPECT_EQ(EngineSettings().type, 4);  // untouched
  EXPECT_EQ(EngineSettings().voice, 0);
  ResetTranslator();
  Start("", "", "[SERVFALA]\r\nTIPOSAPI=5\r\n");
  EXPECT_EQ(EngineSettings().type, 4);
}

TEST_F(SpeechStart, EngineSpeedAboveTenOnlyForTheSapi4Engine) {
  Start("SAPI=S\r\n", "", "[SERVFALA]\r\nTIPOSAPI=5\r\nVELOCIDADE=150\r\nVOZ=2\r\nTOM=7x\r\n");
  EXPECT_EQ(EngineSettings().type, 5);
  EXPECT_EQ(EngineSettings().speed, 0);
  EXPECT_EQ(EngineSettings().voice, 2);
  EXPECT_EQ(EngineSettings().pitch, 7);
  EXPECT_TRUE(EngineActive());  // espeak-ng answers as SAPI 5
  EngineFinish();
  ResetTranslator();
  Start("SAPI=sim\r\n", "", "[SERVFALA]\r\nTIPOSAPI=4\r\nVELOCIDADE=150\r\n");
  EXPECT_EQ(EngineSettings().speed, 150);
  ResetTranslator();
  Start("SAPI=1\r\n", "", "[SERVFALA]\r\nVELOCIDADE=9\r\n");
  EXPECT_EQ(EngineSettings().type, 0);  // absent: 0, which the dispatch takes as SAPI 4
  EXPECT_EQ(EngineSettings().speed, 9);
}

TEST_F(SpeechStart, DirectoriesGetTheirFinalBackslash) {
  Start("");
  EXPECT_EQ(SoundDirectory(), "C:\\som\\");
  EXPECT_EQ(LettersDirectory(), install_.Letters() + "\\");
  ResetTranslator();
  Start("", "", "", 0, "");
  EXPECT_EQ(SoundDirectory(), "");
  ResetTranslator();
  Start("", "", "", 0, "D:\\x\\");
  EXPECT_EQ(SoundDirectory(), "D:\\x\\");
}

TEST_F(SpeechStart, SettingReaders) {
  bool whole = false;
  EXPECT_EQ(SettingInteger("2x", &whole), 2);
  EXPECT_FALSE(whole);
  EXPECT_EQ(SettingInteger("  -15", &whole), -15);
  EXPECT_TRUE(whole);
  EXPECT_EQ(SettingInteger("$1F", &whole), 31);
  EXPECT_TRUE(whole);
  EXPECT_EQ(SettingInteger("0x10", &whole), 16);
  EXPECT_EQ(SettingInteger("", &whole), 0);
  EXPECT_FALSE(whole);
  EXPECT_EQ(SettingInteger("abc", &whole), 0);
  EXPECT_FALSE(whole);
  EXPECT_EQ(SettingInteger("99999999999", &whole), 2147483647);
  EXPECT_TRUE(SettingYes("S"));
  EXPECT_TRUE(SettingYes("sim"));
  EXPECT_TRUE(SettingYes("1"));
  EXPECT_TRUE(SettingYes("x"));
  EXPECT_FALSE(SettingYes("N"));
  EXPECT_FALSE(SettingYes("nao"));
  EXPECT_FALSE(SettingYes(""));
}

TEST_F(SpeechStart, TranslatorFailureIsReportedHeardAndEndsWithItsCode) {
  TempDir out;
  std::string report = out.path() + "/screen.txt", heard = out.path() + "/heard.raw";
  install_.Settings("[TRADUTOR]\r\ndirLetras=" + install_.Letters() + "\r\nDIRDIFONES=" + install_.Diphones() +
                    "\r\n[SINTETIZADOR]\r\nDIFONES3=VOZ1\r\n");
  install_.Database({{"$A", "a"}}, "VOZ1");
  std::remove((install_.Diphones() + "/regras.rgr").c_str());
  EXPECT_EXIT(
      {
        UseHeadlessConsole();
        // When the program waits for a key: the screen and what sounded are
        // saved, then Enter.
        SetHeadlessIdleHook([&] {
          std::string text = ScreenText();
          std::FILE* f = std::fopen(report.c_str(), "wb");
          std::fwrite(text.data(), 1, text.size(), f);
          std::fclose(f);
          f = std::fopen(heard.c_str(), "wb");
          for (const CapturedBlock& b : WaveCapture().blocks) std::fwrite(b.bytes.data(), 1, b.bytes.size(), f);
          std::fclose(f);
          InjectText("x\r");
        });
        StartSpeech(0, "C:\\som");
        std::_Exit(3);  // never reached: the program ends inside
      },
      ::testing::ExitedWithCode(2), "");
  // The screen as it stood while the program waited for Enter.
  std::string screen = ReadFileBytes(report);
  EXPECT_EQ(screen.substr(0, screen.find('\n', screen.find("VOZ1"))),
            "Erro de inicializa\xE7\xE3o: 2\nBanco de dados de voz: VOZ1");
  // The error tone: 1,378 Hz for 512 samples, ending on the centre line.
  const uint8_t cycle[8] = {128, 112, 96, 80, 64, 80, 96, 112};
  std::string tone;
  for (int i = 0; i < 512; ++i) tone += static_cast<char>(cycle[i % 8]);
  tone.back() = static_cast<char>(128);
  EXPECT_EQ(ReadFileBytes(heard), tone);
}

TEST_F(SpeechStart, AnEmptyIndexIsAStartFailure) {
  install_.Settings("[TRADUTOR]\r\ndirLetras=" + install_.Letters() + "\r\nDIRDIFONES=" + install_.Diphones() +
                    "\r\n[SINTETIZADOR]\r\nDIFONES3=VOZ1\r\n");
  install_.Database({{"$A", "a"}}, "VOZ1");
  std::fclose(std::fopen((install_.Diphones() + "/VOZ1.IND").c_str(), "wb"));
  EXPECT_EXIT(
      {
        UseHeadlessConsole();
        SetHeadlessIdleHook([] { InjectText("\r"); });
        StartSpeech(0, "C:\\som");
        std::_Exit(3);
      },
      ::testing::ExitedWithCode(1), "");
}

}  // namespace
