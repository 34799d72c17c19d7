#include "console/video.h"

#include <cmath>

#include "platform/profile.h"

namespace {
VideoSettings gVideo;
constexpr const char* kFile = "TAVIRO.INI";

std::string Key(const char* section, const char* key, const char* defaultValue, size_t room = 80) {
  return GetProfileString(section, key, defaultValue, room, kFile);
}

bool SaysYes(const std::string& value) { return !value.empty() && (value[0] == 'S' || value[0] == 's'); }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

// A size in pixels: the number given, or the work area scaled to the 1024 x
// 734 desktop the defaults were chosen on (rounded half to even).
int FontSize(const std::string& value, int work, double reference, double size) {
  if (!value.empty()) return ReadWholeNumber(value);
  return static_cast<int>(std::nearbyint(work / reference * size));
}
}  // namespace

int ReadWholeNumber(std::string_view text, bool* whole) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  long long value = 0;
  size_t digits = 0;
  for (; i < text.size(); ++i, ++digits) {
    char c = text[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else break;
    if (value < (1LL << 40)) value = value * base + d;  // an absurd length stays bounded
  }
  if (whole) *whole = digits > 0 && i == text.size();
  return static_cast<int>(negative ? -value : value);
}

void ReadPalette(std::string_view value, unsigned char palette[16]) {
  std::string rest(value);
  rest += ',';
  for (int slot = 0; slot < 16; ++slot) {
    size_t comma = rest.find(',');
    if (comma == std::string::npos) return;
    // The blanks are trimmed before the number is read but counted in the
    // comma's position, so a blank after a comma ends the reading (kept).
    std::string_view trimmed = TrimBlanks(rest);
    bool whole = false;
    int number = ReadWholeNumber(trimmed.substr(0, std::min(comma, trimmed.size())), &whole);
    palette[slot] = static_cast<unsigned char>(number & 0xFF);
    if (!whole) return;
    rest.erase(0, comma + 1);
  }
}

void ReadVideoSettings(int workWidth, int workHeight) {
  gVideo = VideoSettings{};
  ReadPalette(Key("VIDEO", "TABCORES", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15"), gVideo.palette);
  gVideo.coloursEnabled = !SaysYes(Key("VIDEO", "CORESFIXAS", "N"));
  gVideo.smoothScroll = SaysYes(Key("VIDEO", "LENTO", "N"));
  // An empty value keeps the start colour (white-grey on black).
  int background = gVideo.attribute >> 4, foreground = gVideo.attribute & 0x0F;
  std::string value = Key("VIDEO", "CORFUNDO", "0");
  if (!value.empty()) background = ReadWholeNumber(value);
  value = Key("VIDEO", "CORLETRA", "15");
  if (!value.empty()) foreground = ReadWholeNumber(value);
  gVideo.attribute = static_cast<unsigned char>(((background << 4) | foreground) & 0xFF);
  value = Key("BRAILLE", "MODO", "0");
  gVideo.brailleMode = value.empty() ? 0 : static_cast<unsigned char>(value[0]) & 3;
  value = Key("VIDEO", "AMPLIF", "2", 2);
  gVideo.magnifier = value.empty() ? 0 : static_cast<unsigned char>(value[0]) & 7;
  if (gVideo.magnifier == 0) gVideo.magnifier = 2;
  gVideo.fontFace = Key("VIDEO", "FONTE", "Lucida Console");
  gVideo.fontWidth = FontSize(Key("VIDEO", "LARGURALETRA", ""), workWidth, 1024.0, 13.0);
  gVideo.fontHeight = FontSize(Key("VIDEO", "ALTURALETRA", ""), workHeight, 734.0, 28.0);
  gVideo.maximised = !SaysYes(Key("VIDEO", "CANTOTELA", "SIM"));
}

const VideoSettings& Video() { return gVideo; }
void ResetVideo() { gVideo = VideoSettings{}; }
