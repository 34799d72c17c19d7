// Our MBROLA library's voice database loader, and a short utterance spoken
// with whatever it accepted. Parts: the database, the phoneme lines.
// With ZELNAR_FUZZ_SEED=FILE set, writes a small seed database instead: a
// few diphones of the built voice, so that the fuzzer starts from a real
// file of a size it can work with.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz.h"
#include "synth/mbrola/synthesis.h"

namespace {
const char* const kVoice = ZELNAR_BINARY_DIR "/drives/c/kelmar/davuridi/br4";

void WriteSeed(const char* out) {
  mbr::Database all, small;
  std::string error;
  if (!mbr::LoadDatabase(kVoice, all, error)) std::exit(1);
  small.rate = all.rate;
  small.info = all.info;
  for (const mbr::Diphone& d : all.diphones) {
    const std::string pair = d.left + "-" + d.right;
    if (pair != "_-k" && pair != "k-a" && pair != "a-z" && pair != "z-a" && pair != "a-_") continue;
    mbr::Diphone copy = d;
    copy.first = static_cast<uint32_t>(small.samples.size());
    copy.firstMark = static_cast<uint32_t>(small.marks.size());
    small.samples.insert(small.samples.end(), all.samples.begin() + d.first, all.samples.begin() + d.first + d.count);
    small.marks.insert(small.marks.end(), all.marks.begin() + d.firstMark, all.marks.begin() + d.firstMark + d.markCount);
    small.diphones.push_back(copy);
  }
  std::string bytes = mbr::EncodeDatabase(small);
  bytes += "\n#--#\n_ 50\nk 80 50 110\na 120 0 120 100 100\nz 70\na 140 50 130\n_ 50\n";
  std::FILE* f = std::fopen(out, "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) std::exit(1);
  std::exit(0);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* seed = std::getenv("ZELNAR_FUZZ_SEED")) WriteSeed(seed);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts = FuzzParts(data, size, 2);
  if (!mbr::OpenVoice(FuzzWrite("voice", parts[0]), nullptr, nullptr)) return 0;
  mbr::Write(parts[1].c_str());
  mbr::Flush();
  int16_t block[4096];
  while (mbr::Read(block, 4096) > 0) {
  }
  return 0;
}
