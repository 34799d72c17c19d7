#include "synth/didibrisa.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/paths.h"
#include "speech/wavout.h"
#include "synth/excessoes.h"
#include "synth/inic.h"
#include "synth/mbrola.h"
#include "synth/minireg.h"
#include "synth/portug.h"
#include "synth/preproc.h"
#include "synth/prosodia.h"

namespace synth {
namespace m = mbrola;
namespace {
constexpr int kRate = 16000;
constexpr int kReadSamples = 16000;
constexpr int kHeaderBytes = 44;
constexpr int kPieceBytes = 32000;
constexpr int kLeastPiece = 256;  // a shorter last piece is padded with silence

double gPitchFactor = 1.0;
double gRateFactor = 1.0;
std::string gError;
int16_t gRead[kReadSamples];
uint8_t gImage[kHeaderBytes + kPieceBytes];
int gPending = 0;

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void WriteWavHeader(uint8_t* h, int rate, int bits, uint32_t dataBytes, int channels) {
  const uint16_t align = static_cast<uint16_t>(channels * (bits / 8));
  std::memcpy(h, "RIFF", 4);
  Put32(h + 4, dataBytes + 36);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  Put16(h + 20, 1);
  Put16(h + 22, static_cast<uint16_t>(channels));
  Put32(h + 24, static_cast<uint32_t>(rate));
  Put32(h + 28, static_cast<uint32_t>(align) * static_cast<uint32_t>(rate));
  Put16(h + 32, align);
  Put16(h + 34, static_cast<uint16_t>(bits));
  std::memcpy(h + 36, "data", 4);
  Put32(h + 40, dataBytes);
}

void PlayPending() {
  WriteWavHeader(gImage, kRate, 16, static_cast<uint32_t>(gPending), 1);
  PlayWavImage(gImage);  // the device copies the samples into its own blocks
  gPending = 0;
}

// The bytes MBROLA has ready; 0 when nothing more is.
int ReadBytes() {
  int n = m::read_MBR(gRead, kReadSamples);
  return n > 0 ? 2 * std::min(n, kReadSamples) : 0;
}

void Collect(int n) {
  while (n > 0) {
    if (gPending + n >= kPieceBytes / 2) PlayPending();
    std::memcpy(gImage + kHeaderBytes + gPending, gRead, static_cast<size_t>(n));
    gPending += n;
    n = ReadBytes();
  }
}

void ReleaseTables() {
  ReleaseRules();
  ReleaseDiphones();
}

bool Blank(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) > ' ') return false;
  return true;
}
}  // namespace

std::string SynthDatabase(const std::string& name) {
  std::string registered;
  if (!ReadRegistryString(kLocalMachine, "SOFTWARE\\TCTS\\Mbrola\\databases\\" + name + "\\", registered))
    return name;
  return registered.empty() ? "c:\\kelmar\\davuridi\\br4" : registered;
}

bool SynthStart(std::string database, std::string rules, std::string exceptions, std::string abbreviations,
                std::string prosody, std::string diphones) {
  if (!m::LoadMbrola()) return false;
  if (database.empty()) database = "br4";
  if (rules.empty()) rules = "portug.nrl";
  if (exceptions.empty()) exceptions = "portug.exc";
  if (abbreviations.empty()) abbreviations = "portug.abr";
  if (prosody.empty()) prosody = "portug.pro";
  if (diphones.empty()) diphones = "portug.dfn";
  // MBROLA opens the file itself: it gets the Linux path of the drive path.
  std::string path = ResolvePath(SynthDatabase(database));
  if (m::init_MBR(path.data()) < 0) {
    m::UnloadMbrola();
    return false;
  }
  m::setNoError_MBR(1);
  ReleaseTables();
  if (!LoadRules(rules) || !LoadExceptions(exceptions)) {
    gError = "Erro na base de dados de portugu\xEAs";
    return false;
  }
  if (!LoadAbbreviations(abbreviations)) {
    gError = "Erro no arquivo de abreviaturas";
    return false;
  }
  if (!LoadProsody(prosody) || !LoadDiphones(diphones)) {
    gError = "Erro no arquivo de pros\xF3" "dia";
    return false;
  }
  return true;
}

void SynthSetFactors(double pitchFactor, double rateFactor) {
  gPitchFactor = pitchFactor;
  gRateFactor = rateFactor;
}

bool SynthSpeak(std::string_view text) {
  if (Blank(text)) return true;
  std::vector<std::string> lines =
      Prosody(LetterToSound(AssignPitchCodes(Tokenise(Normalise(text)), true)), gPitchFactor, gRateFactor);
  // The engine's samples are played as they are: neither faster nor shortened.
  const bool quick = QuickFlag(), cut = CutFlag();
  SetQuickFlag(false);
  SetCutFlag(false);
  bool result = true;
  m::reset_MBR();
  gPending = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const bool last = i + 1 == lines.size();
    if (lines[i].empty() && !last) continue;
    std::string line = lines[i] + "\r\n";
    m::write_MBR(line.data());
    if (m::lastError_MBR() != 0) {
      m::reset_MBR();
      result = false;
    }
    if (last) m::flush_MBR();
    Collect(ReadBytes());
  }
  if (gPending > 0) {
    if (gPending < kLeastPiece) {
      std::memset(gImage + kHeaderBytes + gPending, 0, static_cast<size_t>(kLeastPiece - gPending));
      gPending = kLeastPiece;
    }
    PlayPending();
  }
  SetQuickFlag(quick);
  SetCutFlag(cut);
  return result;
}

void SynthClose() {
  ReleaseTables();
  if (m::MbrolaLoaded()) m::close_MBR();
  m::UnloadMbrola();
}

bool SynthPlaying() { return WavBusy(); }
void SynthStopPlayback() { CloseWavDevice(); }

const std::string& SynthErrorText() { return gError; }
double SynthPitchFactor() { return gPitchFactor; }
double SynthRateFactor() { return gRateFactor; }

}  // namespace synth
