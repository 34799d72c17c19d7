// zelnar-voice VOICE_DIR DRIVES_DIR: records the voice installation.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/voice/steps.h"

namespace {
constexpr const char* kManifest = ".zelnar-voice.manifest";

void LoadManifest(voice::Build& b) {
  std::ifstream f(std::filesystem::path(b.drivesDir) / kManifest);
  std::string path, hash;
  while (f >> path >> hash) b.manifest[path] = hash;
}

void SaveManifest(const voice::Build& b) {
  if (!b.manifestChanged) return;
  std::ofstream f(std::filesystem::path(b.drivesDir) / kManifest, std::ios::trunc);
  for (const auto& [path, hash] : b.manifest) f << path << ' ' << hash << '\n';
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zelnar-voice VOICE_DIR DRIVES_DIR\n");
    return 2;
  }
  voice::Build b;
  b.voiceDir = argv[1];
  b.drivesDir = argv[2];
  std::filesystem::create_directories(b.drivesDir);
  LoadManifest(b);

  voice::WriteMessages(b);
  voice::WriteCharacters(b);
  voice::WriteNumberWords(b);
  voice::WritePicture(b);
  voice::WriteSettings(b);
  voice::WriteDiphones(b);
  voice::WriteSynthData(b);
  voice::WriteSynthVoice(b);  // last: its diphone list is the one the voice holds

  SaveManifest(b);
  std::printf("zelnar-voice: %d files made, %d unchanged\n", b.made, b.kept);
  return 0;
}
