#include "tests/support/translatortest.h"

#include "platform/waveout_capture.h"
#include "tests/support/soundtest.h"

TranslatorInstall::TranslatorInstall() : windir_("WINDIR", "") {
  setenv("WINDIR", (dir_.path() + "/windows").c_str(), 1);
  dir_.Write("letras/.keep", "");
  dir_.Write("dif/.keep", "");
  Settings();
  Rules("");
  Database({});
}

TranslatorInstall::~TranslatorInstall() = default;

void TranslatorInstall::Settings(const std::string& more) {
  dir_.Write("windows/TAVIRO.INI", "[TRADUTOR]\r\ndirLetras=" + Letters() + "\r\nDIRDIFONES=" + Diphones() + "\r\n" + more);
}

void TranslatorInstall::Database(const std::map<std::string, std::string>& segments, const std::string& name) {
  std::string index, data;
  // An empty index does not start: a database of no segment the player ever
  // names holds one record that no lookup finds.
  const std::map<std::string, std::string> none{{"#", ""}};
  for (const auto& [key, bytes] : segments.empty() ? none : segments) {
    std::string r(15, '\0');
    r[0] = static_cast<char>(key.size());
    key.copy(&r[1], 8);
    uint32_t len = static_cast<uint32_t>(bytes.size()), off = static_cast<uint32_t>(data.size());
    r[9] = static_cast<char>(len);
    r[10] = static_cast<char>(len >> 8);
    for (int i = 0; i < 4; ++i) r[static_cast<size_t>(11 + i)] = static_cast<char>(off >> (8 * i));
    index += r;
    data += bytes;
  }
  dir_.Write("dif/" + name + ".IND", index);
  dir_.Write("dif/" + name + ".DIF", data);
}

void TranslatorInstall::Rules(const std::string& rules, const std::string& exceptions) {
  dir_.Write("dif/regras.rgr", rules);
  dir_.Write("dif/portug.exc", exceptions);
}

void TranslatorInstall::Letter(const std::string& name, const std::string& samples) {
  dir_.Write("letras/" + name + ".wav", PcmWav(samples, 11025, 8, 1));
}

std::string CapturedBytes() {
  std::string all;
  for (const CapturedBlock& b : WaveCapture().blocks) all.append(b.bytes.begin(), b.bytes.end());
  return all;
}

int CapturedBlockCount() { return static_cast<int>(WaveCapture().blocks.size()); }
