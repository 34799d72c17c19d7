// The library's 23 functions over the synthesizer. Every one of them takes
// whatever a caller hands it (null pointers, negative sizes) without harm.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "synth/mbrola/libmbrola.h"
#include "synth/mbrola/synthesis.h"

namespace {
constexpr const char* kVersion = "3.3-zelnar";
constexpr int kMaxPhonePoints = 256;

// Copies text into a caller's buffer of `room` bytes, cut to fit and
// zero-terminated; returns the length copied.
int CopyOut(const std::string& text, char* buffer, int room) {
  if (!buffer || room <= 0) return 0;
  size_t n = std::min(text.size(), static_cast<size_t>(room) - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

unsigned char Mulaw(int16_t s) {
  const int kBias = 0x84;
  int v = s, sign = v < 0 ? 0x80 : 0;
  v = std::min(std::abs(v), 32635) + kBias;
  int exponent = 7;
  for (int mask = 0x4000; !(v & mask) && exponent > 0; mask >>= 1) --exponent;
  int mantissa = (v >> (exponent + 3)) & 0x0f;
  return static_cast<unsigned char>(~(sign | exponent << 4 | mantissa));
}

unsigned char Alaw(int16_t s) {
  int v = s, sign = v >= 0 ? 0x80 : 0;
  v = std::min(std::abs(v), 32767) >> 3;
  int exponent = 0;
  while (v >= 32 && exponent < 7) v >>= 1, ++exponent;
  int mantissa = exponent ? v & 0x0f : v >> 1;
  return static_cast<unsigned char>((sign | exponent << 4 | mantissa) ^ 0x55);
}
}  // namespace

struct MbrPhone {
  std::string name;
  float length = 0;
  std::vector<std::pair<float, float>> points;  // position in %, pitch in Hz
};

extern "C" {

int init_MBR(char* dbaseName) { return init_rename_MBR(dbaseName, nullptr, nullptr); }

int init_rename_MBR(char* dbaseName, char* rename, char* clone) {
  if (!dbaseName) {
    mbr::SetError(MBR_ERR_ARGUMENT, "no voice database named");
    return MBR_ERR_ARGUMENT;
  }
  return mbr::OpenVoice(dbaseName, rename, clone) ? 0 : MBR_ERR_DATABASE;
}

int write_MBR(char* buffer) {
  mbr::Write(buffer);
  return mbr::LastError() ? 0 : 1;
}

int flush_MBR(void) {
  mbr::Flush();
  return 1;
}

int read_MBR(short* buffer, int wanted) { return mbr::Read(buffer, wanted); }

int readtype_MBR(char* buffer, int wanted, int type) {
  if (!buffer || wanted <= 0) return 0;
  if (type == MBR_LIN16) return mbr::Read(reinterpret_cast<int16_t*>(buffer), wanted);
  if (type != MBR_LIN8 && type != MBR_ULAW && type != MBR_ALAW) {
    mbr::SetError(MBR_ERR_ARGUMENT, "unknown sample type");
    return 0;
  }
  std::vector<int16_t> s(static_cast<size_t>(wanted));
  int n = mbr::Read(s.data(), wanted);
  for (int i = 0; i < n; ++i) {
    int16_t v = s[static_cast<size_t>(i)];
    buffer[i] = static_cast<char>(type == MBR_LIN8 ? (v >> 8) + 128 : type == MBR_ULAW ? Mulaw(v) : Alaw(v));
  }
  return n;
}

void close_MBR(void) { mbr::CloseVoice(); }

int reset_MBR(void) {
  mbr::Reset();
  return 1;
}

int lastError_MBR(void) { return mbr::LastError(); }

int lastErrorStr_MBR(char* buffer, int room) { return CopyOut(mbr::LastErrorText(), buffer, room); }

void setNoError_MBR(int noError) { mbr::SetNoError(noError != 0); }
int getNoError_MBR(void) { return mbr::NoError() ? 1 : 0; }

void setFreq_MBR(int freq) { mbr::SetRate(freq); }
int getFreq_MBR(void) { return mbr::Rate(); }

void setVolumeRatio_MBR(float ratio) { mbr::SetVolume(ratio); }
float getVolumeRatio_MBR(void) { return mbr::Volume(); }

int getVersion_MBR(char* buffer, int room) { return CopyOut(kVersion, buffer, room); }

// Index 0: the voice's own description; 1: its rate and diphone count.
int getDatabaseInfo_MBR(char* buffer, int room, int index) {
  if (!mbr::VoiceOpen()) return CopyOut("", buffer, room);
  const mbr::Database& db = mbr::Voice();
  if (index == 0) return CopyOut(db.info, buffer, room);
  if (index == 1)
    return CopyOut(std::to_string(db.rate) + " Hz, " + std::to_string(db.diphones.size()) + " diphones", buffer, room);
  return CopyOut("", buffer, room);
}

// Only the built-in parser of phoneme lines exists: null keeps it, anything
// else is refused with an error.
void setParser_MBR(void* parser) {
  if (parser) mbr::SetError(MBR_ERR_ARGUMENT, "only the built-in phoneme line parser is available");
}

MbrPhone* init_Phone(char* name, float length) {
  auto* p = new MbrPhone;
  if (name) p->name.assign(name, strnlen(name, 64));
  p->length = std::isfinite(length) && length > 0 ? length : 0;
  return p;
}

void reset_Phone(MbrPhone* phone) {
  if (phone) phone->points.clear();
}

void close_Phone(MbrPhone* phone) { delete phone; }

int appendf0_Phone(MbrPhone* phone, float position, float f0) {
  if (!phone || !std::isfinite(position) || !std::isfinite(f0) || phone->points.size() >= kMaxPhonePoints) return 0;
  phone->points.emplace_back(std::clamp(position, 0.0f, 100.0f), f0);
  return static_cast<int>(phone->points.size());
}

}  // extern "C"
