#include "speech/speak.h"

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/messages.h"
#include "speech/dispatch.h"
#include "speech/numbers.h"
#include "speech/sounds.h"
#include "speech/speech.h"
#include "speech/wavout.h"
#include "translator/phonetic.h"
#include "translator/player.h"

namespace {
constexpr size_t kMaxRun = 999;  // the translator takes at most this much at a time

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 128; }
bool IsWordChar(unsigned char c) { return c == ' ' || IsLetter(c); }

void WaitWhileBusy() {
  while (SpeechBusy()) WaitMessage();
}

void SpeakWithEngine(std::string_view text) {
  WaitWhileBusy();
  if (KeyWaiting()) return;
  EngineSpeak(text);
  SetEngineSpeechPending(true);
}

unsigned char At(const std::string& t, size_t i) { return i < t.size() ? static_cast<unsigned char>(t[i]) : 0; }
}  // namespace

void Speak(std::string_view text) {
  if (EngineActive()) return SpeakWithEngine(text);
  unsigned char previousMark = ' ';
  int repeats = 0;
  std::string t(text);
  t += ' ';
  size_t p = 0;  // everything before p has been said
  SetCutRequest(false);
  while (!CutRequested() && p < t.size()) {
    if (KeyWaiting()) {
      CutSpeech();
      break;
    }
    while (At(t, p) == '0') {
      PlayNamedSound("_zero");
      ++p;
    }
    if (p >= t.size()) break;
    unsigned char c = At(t, p);
    if (c >= '1' && c <= '9') {
      size_t end = p;
      while (end < t.size() && (IsDigit(At(t, end)) || At(t, end) == '-')) ++end;
      std::string run = t.substr(p, end - p);
      p = end;
      if (run.find('-') != std::string::npos || run.size() >= 7) Spell(run);
      else PlayNumberWords(NumberToWords(static_cast<uint32_t>(std::stoul(run))));
    } else if (IsWordChar(c)) {
      size_t end = p;
      while (end < t.size() && IsWordChar(At(t, end))) ++end;
      std::string run = t.substr(p, end - p);
      p = end;
      if (UpperLatin(run) == "WWW") {
        Spell(run);
      } else {
        // A run longer than the translator takes is said in pieces, each cut
        // at a blank where it has one, so no part of a long text is lost.
        std::string_view rest(run);
        while (!rest.empty() && !CutRequested() && !KeyWaiting()) {
          size_t n = rest.size();
          if (n > kMaxRun) {
            size_t blank = rest.substr(0, kMaxRun + 1).rfind(' ');
            n = blank != std::string_view::npos && blank > 0 ? blank : kMaxRun;
          }
          SetPhoneticText(TextToPhonetic(rest.substr(0, n)));
          SpeakPhonetic(PhoneticText());
          rest.remove_prefix(n);
        }
      }
      // A hyphen joining a word to the next word or to a number ("guarda-chuva",
      // "Casa-2G") is not said; a minus comes only after a blank, "(" or the start.
      if (At(t, p) == '-' && IsLetter(At(t, p - 1)) && (IsLetter(At(t, p + 1)) || IsDigit(At(t, p + 1)))) ++p;
    } else {
      bool asSpace = false;
      if (c != previousMark) {
        previousMark = c;
        repeats = 0;
      } else if (++repeats > 3) {
        RepeatClick();
        asSpace = true;
      }
      std::string_view rest = std::string_view(t).substr(p);
      if (c == '-') {
        unsigned char n = rest.size() > 2 ? static_cast<unsigned char>(rest[1]) : ' ';
        unsigned char before = p > 0 ? At(t, p - 1) : ' ';
        if (n == ' ' || n == '-') SpeakPunctuation(rest);
        else if (IsDigit(n) && (before == ' ' || before == '(')) PlayNamedSound("_MENOS");
        else SpeakLetter('-');
      } else if (rest.substr(0, 3) == "://") {
        Spell(rest.substr(0, 1));
      } else if (asSpace || c == '\t') {
        // said by the click, or passed over
      } else if (c == '(' || c == ')' || c == ',' || c == '.' || c == ':' || c == ';') {
        SpeakPunctuation(rest);
      } else if (!KeyWaiting()) {
        SpeakLetter(c);
      }
      ++p;
    }
  }
}

int SpeakPunctuation(std::string_view text) {
  if (text.empty() || KeyWaiting()) return 0;
  WaitWhileBusy();
  unsigned char m = static_cast<unsigned char>(text[0]);
  SpeakLetter(m);
  bool spaceAfter = text.size() > 1 && text[1] == ' ';
  switch (m) {
    case '(': case ')': case ':': case ';':
      return SpeechPause(PauseColon());
    case ',': case '-':
      return spaceAfter ? SpeechPause(PauseComma()) : 0;
    case '.':
      return spaceAfter ? SpeechPause(PauseFullStop()) : 0;
  }
  return 0;
}

int SpeechPause(int ms) {
  int rounds = ms / 50, waited = 0;
  for (int i = 0; i < rounds; ++i)
    if (!KeyWaiting()) {
      ConsoleDelay(50);
      ++waited;
    }
  return waited;
}

std::string UpperLatin(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || c >= 224) ch = static_cast<char>(c - 32);
  }
  return out;
}

void SpeakWrite(std::string_view text) {
  Write(text);
  FlushOutput();
  Speak(text);
}

void SpeakWriteLn(std::string_view text) {
  SpeakWrite(text);
  WriteLn();
}

unsigned char ReadKeySpoken() {
  unsigned char k = TakeKey();
  CutSpeech();
  SpeakLetter(k);
  return k;
}

void Spell(std::string_view text) {
  for (char c : text) {
    if (KeyWaiting()) return;
    SpeakLetter(static_cast<unsigned char>(c));
  }
}

void RepeatClick() {
  WaitEngineSpeech();
  bool cut = CutFlag();
  SetCutFlag(false);
  uint8_t* image = ClickImage();
  MakeWavHeader(image, 256, 11025, 1, 8);
  PlayWavImage(image);
  WaitWhileBusy();
  SetCutFlag(cut);
}

void ErrorBeep() {
  WaitEngineSpeech();
  while (KeyWaiting()) TakeKey();
  static const uint8_t kCycle[8] = {128, 112, 96, 80, 64, 80, 96, 112};
  static uint8_t image[44 + 512];
  MakeWavHeader(image, 512, 11025, 1, 8);
  for (int i = 0; i < 512; ++i) image[44 + i] = kCycle[i % 8];
  image[44 + 511] = 128;
  PlayWavImage(image);
  WaitWhileBusy();
}
