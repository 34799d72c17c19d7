// zelnar-mbrola VOICE IN.pho OUT.wav: speaks a file of phoneme lines with a
// voice database into a WAV file (16-bit mono), the way the MBROLA program
// does, so that a voice can be heard without the rest of Zelnar. "-" reads
// the lines from standard input. Every problem with a line is reported on
// standard error and the rest is still spoken.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "synth/mbrola/libmbrola.h"

namespace {
void Put(std::string& o, unsigned v, int n) {
  for (int i = 0; i < n; ++i) o += static_cast<char>(v >> (8 * i));
}

void ReportError(int line) {
  if (!lastError_MBR()) return;
  char text[256];
  lastErrorStr_MBR(text, sizeof text);
  std::fprintf(stderr, "zelnar-mbrola: line %d: %s\n", line, text);
  reset_MBR();
}

void Drain(std::vector<short>& all) {
  short buffer[4096];
  while (int n = read_MBR(buffer, 4096)) all.insert(all.end(), buffer, buffer + n);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: zelnar-mbrola VOICE IN.pho OUT.wav\n");
    return 2;
  }
  if (init_MBR(argv[1]) < 0) {
    char text[256];
    lastErrorStr_MBR(text, sizeof text);
    std::fprintf(stderr, "zelnar-mbrola: %s\n", text);
    return 1;
  }
  std::ifstream file;
  std::istream* in = &std::cin;
  if (std::string(argv[2]) != "-") {
    file.open(argv[2], std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "zelnar-mbrola: cannot read %s\n", argv[2]);
      return 1;
    }
    in = &file;
  }
  std::vector<short> samples;
  std::string line;
  int number = 0;
  // An error resets the utterance, so what was made before it is read first.
  while (std::getline(*in, line)) {
    ++number;
    line += "\n";
    write_MBR(line.data());
    if (lastError_MBR()) {
      Drain(samples);
      ReportError(number);
    }
    Drain(samples);
  }
  flush_MBR();
  ReportError(number);
  Drain(samples);
  close_MBR();

  std::string wav = "RIFF";
  unsigned rate = static_cast<unsigned>(getFreq_MBR()), bytes = static_cast<unsigned>(samples.size() * 2);
  Put(wav, bytes + 36, 4);
  wav += "WAVEfmt ";
  Put(wav, 16, 4);
  Put(wav, 1, 2);
  Put(wav, 1, 2);
  Put(wav, rate, 4);
  Put(wav, rate * 2, 4);
  Put(wav, 2, 2);
  Put(wav, 16, 2);
  wav += "data";
  Put(wav, bytes, 4);
  for (short s : samples) Put(wav, static_cast<unsigned short>(s), 2);
  std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
  out.write(wav.data(), static_cast<std::streamsize>(wav.size()));
  if (!out) {
    std::fprintf(stderr, "zelnar-mbrola: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
