// The splash picture: a 24-bit BMP drawn here, the Wi-Fi waves over a deep
// blue sky, with a loudspeaker for the voice.
#include <cmath>

#include "tools/voice/steps.h"

namespace voice {
namespace {
constexpr int kWidth = 144, kHeight = 120;

struct Rgb {
  uint8_t r, g, b;
};

Rgb Pixel(int x, int y) {  // y = 0 is the top row
  double t = double(y) / kHeight;
  Rgb sky{static_cast<uint8_t>(12 + 20 * t), static_cast<uint8_t>(40 + 60 * t), static_cast<uint8_t>(96 + 80 * t)};
  const Rgb wave{250, 204, 64}, speaker{235, 240, 250};
  // Waves: three arcs and a dot around (72, 100), opening upwards.
  double dx = x - 72, dy = y - 100;
  double r = std::sqrt(dx * dx + dy * dy);
  double angle = std::atan2(-dy, dx) * 180 / M_PI;
  if (r < 9) return wave;
  if (angle > 40 && angle < 140)
    for (double ring : {28.0, 50.0, 72.0})
      if (std::fabs(r - ring) < 6) return wave;
  // A loudspeaker in the lower left corner.
  if (x >= 10 && x < 20 && y >= 92 && y < 108) return speaker;
  if (x >= 20 && x < 32 && std::abs(y - 100) <= (x - 20) + 8) return speaker;
  return sky;
}

std::string Bmp() {
  auto le = [](std::string& o, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) o += static_cast<char>(v >> (8 * i));
  };
  uint32_t row = (kWidth * 3 + 3) / 4 * 4;
  uint32_t image = row * kHeight;
  std::string o = "BM";
  le(o, 54 + image, 4);
  le(o, 0, 4);
  le(o, 54, 4);
  le(o, 40, 4);  // information header
  le(o, kWidth, 4);
  le(o, kHeight, 4);  // positive: rows stored bottom-up
  le(o, 1, 2);
  le(o, 24, 2);
  le(o, 0, 4);
  le(o, image, 4);
  le(o, 2835, 4);
  le(o, 2835, 4);
  le(o, 0, 4);
  le(o, 0, 4);
  for (int y = kHeight - 1; y >= 0; --y) {
    std::string line;
    for (int x = 0; x < kWidth; ++x) {
      Rgb p = Pixel(x, y);
      line += static_cast<char>(p.b);
      line += static_cast<char>(p.g);
      line += static_cast<char>(p.r);
    }
    line.resize(row, '\0');
    o += line;
  }
  return o;
}
}  // namespace

void WritePicture(Build& b) {
  Output(b, std::string(kSoundDir) + "/BRENIQ.BMP", "picture 1", [] { return Bmp(); });
}

}  // namespace voice
