// The picture slot: a Windows BMP read into 0xRRGGBB pixels that the window
// draws over the text after every repaint; and the magnifier's geometry.
#include "console/picture.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>

#include "console/console.h"
#include "console/video.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/window.h"

namespace {

std::unique_ptr<Picture> gPicture;
Magnifier gMagnifier;
// The window as it was when the right button went down; empty where the
// backend keeps no pixels (then there is nothing to enlarge).
std::vector<uint32_t> gCopy;
int gCopyWidth = 0, gCopyHeight = 0;

// Neither the pixel data nor the decoded picture may need more than this; the
// splash is a few hundred pixels each way, so anything near it is a bad file.
constexpr int64_t kMaxPictureBytes = 48LL << 20;
constexpr int kInfoHeaderSize = 40;
constexpr int kBlockSize = 16384;
constexpr uint32_t kRle8 = 1, kRle4 = 2;

uint32_t Get32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Get16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

bool ReadAt(std::ifstream& f, int64_t offset, unsigned char* into, int64_t count) {
  f.clear();
  f.seekg(offset);
  f.read(reinterpret_cast<char*>(into), count);
  return f.gcount() == count;
}

// One stored row (bottom-up order already undone) into 0xRRGGBB pixels.
void DecodeRow(const unsigned char* row, int width, int bits,
               const std::vector<uint32_t>& palette, uint32_t* out) {
  auto fromPalette = [&](unsigned index) { return index < palette.size() ? palette[index] : 0u; };
  for (int x = 0; x < width; ++x) {
    switch (bits) {
      case 1: out[x] = fromPalette((row[x / 8] >> (7 - x % 8)) & 1); break;
      case 4: out[x] = fromPalette((row[x / 2] >> (x % 2 ? 0 : 4)) & 15); break;
      case 8: out[x] = fromPalette(row[x]); break;
      case 16: {  // 5 bits each of red, green and blue, widened to 8
        unsigned v = Get16(row + 2 * x);
        unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        out[x] = (r << 3 | r >> 2) << 16 | (g << 3 | g >> 2) << 8 | (b << 3 | b >> 2);
        break;
      }
      case 24: {
        const unsigned char* p = row + 3 * x;
        out[x] = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        break;
      }
      default: {  // 32
        const unsigned char* p = row + 4 * x;
        out[x] = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        break;
      }
    }
  }
}

// Run-length coded rows (RLE8, RLE4) as one palette index per pixel, bottom
// row first like stored rows. A run is a count and an index (RLE4: two
// indices taking turns); a count of 0 escapes: 0 ends the row, 1 the picture,
// 2 moves right and up by the next two bytes, more is a stretch of that many
// indices given one by one, padded to an even length. Pixels the data skips
// keep index 0; pixels past the picture's edges are dropped.
std::vector<unsigned char> DecodeRle(const std::vector<unsigned char>& in, int bits, int width, int height) {
  std::vector<unsigned char> out(size_t(width) * size_t(height), 0);
  int64_t x = 0, y = 0;
  auto put = [&](unsigned index) {
    if (x < width && y < height) out[size_t(y) * size_t(width) + size_t(x)] = static_cast<unsigned char>(index);
    ++x;
  };
  auto nibble = [](unsigned byte, int k) { return k % 2 ? byte & 15 : byte >> 4; };
  size_t i = 0;
  while (i + 1 < in.size() && y < height) {
    const unsigned count = in[i], value = in[i + 1];
    i += 2;
    if (count > 0) {
      for (unsigned k = 0; k < count && x < width; ++k) put(bits == 8 ? value : nibble(value, int(k)));
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (i + 1 >= in.size()) break;
      x += in[i];
      y += in[i + 1];
      i += 2;
    } else {
      const size_t bytes = bits == 8 ? value : (value + 1) / 2;
      if (i + bytes > in.size()) break;
      for (unsigned k = 0; k < value; ++k) put(bits == 8 ? in[i + k] : nibble(in[i + k / 2], int(k)));
      i += (bytes + 1) & ~size_t(1);
    }
  }
  return out;
}

// The whole load; nullptr when the file is missing or not accepted.
std::unique_ptr<Picture> ReadBmp(std::string_view path) {
  std::ifstream f(ResolvePath(path), std::ios::binary);
  if (!f) return nullptr;
  f.seekg(0, std::ios::end);
  const int64_t fileSize = f.tellg();
  unsigned char head[14 + kInfoHeaderSize];
  if (fileSize < int64_t(sizeof head) || !ReadAt(f, 0, head, sizeof head)) return nullptr;
  if (Get32(head + 14) != kInfoHeaderSize) return nullptr;  // core and newer headers

  const int64_t pixelOffset = Get32(head + 10);
  const int32_t storedWidth = int32_t(Get32(head + 18));
  const int32_t storedHeight = int32_t(Get32(head + 22));
  int bits = Get16(head + 28);
  const uint32_t compression = Get32(head + 30);
  const uint32_t coloursUsed = Get32(head + 46);
  // Top-down (negative height), empty, or wider than the 16 bits the width is
  // read in: not a picture we draw.
  if (storedWidth <= 0 || storedHeight <= 0 || storedWidth > 0xFFFF || storedHeight > 0xFFFF)
    return nullptr;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
  // Plain stored rows, or run-length coded ones: RLE8 for 8 bits, RLE4 for 4.
  const bool rle = (compression == kRle8 && bits == 8) || (compression == kRle4 && bits == 4);
  if (compression != 0 && !rle) return nullptr;

  // The palette follows the information header; entries are B, G, R, unused.
  std::vector<uint32_t> palette;
  if (bits <= 8) {
    const int64_t entries = coloursUsed ? int64_t(coloursUsed) : int64_t(1) << bits;
    if (14 + kInfoHeaderSize + 4 * entries > fileSize) return nullptr;
    std::vector<unsigned char> raw(size_t(4 * entries));
    if (!ReadAt(f, 14 + kInfoHeaderSize, raw.data(), 4 * entries)) return nullptr;
    palette.resize(size_t(entries));
    for (size_t i = 0; i < palette.size(); ++i)
      palette[i] = uint32_t(raw[4 * i + 2]) << 16 | uint32_t(raw[4 * i + 1]) << 8 | raw[4 * i];
  }

  const int width = storedWidth, height = storedHeight;
  const int64_t rowLength = (int64_t(width) * bits + 31) / 32 * 4;
  int64_t dataSize = rowLength * height;
  if (rle) {
    // The coded size, or what the file holds after the offset when unset.
    const int64_t coded = Get32(head + 34);
    dataSize = coded > 0 && pixelOffset + coded <= fileSize ? coded : fileSize - pixelOffset;
    if (dataSize <= 0) return nullptr;
  }
  if (dataSize > kMaxPictureBytes || int64_t(width) * height * 4 > kMaxPictureBytes) return nullptr;
  if (pixelOffset + dataSize > fileSize) return nullptr;  // truncated, or offset past the end

  std::vector<unsigned char> data(size_t(dataSize), 0);
  for (int64_t done = 0; done < dataSize; done += kBlockSize) {
    const int64_t block = std::min<int64_t>(kBlockSize, dataSize - done);
    if (!ReadAt(f, pixelOffset + done, data.data() + done, block)) return nullptr;
  }

  if (rle) {
    // Decoded into one byte per pixel: rows of the plain 8-bit kind.
    data = DecodeRle(data, bits, width, height);
    bits = 8;
  }
  const int64_t stride = rle ? width : rowLength;

  auto picture = std::make_unique<Picture>();
  picture->width = width;
  picture->height = height;
  picture->pixels.resize(size_t(width) * size_t(height));
  for (int y = 0; y < height; ++y)  // the last stored row is the top one
    DecodeRow(data.data() + (height - 1 - y) * stride, width, bits, palette,
              picture->pixels.data() + size_t(y) * size_t(width));
  return picture;
}

void ShowEnlarged(int x, int y) {
  gMagnifier.source = MagnifiedSource(x, y, gMagnifier.factor, gMagnifier.windowWidth,
                                      gMagnifier.windowHeight);
  if (gCopy.empty()) return;
  const PixelRect& r = gMagnifier.source;
  DrawImageStretched(gCopyWidth, gCopyHeight, gCopy.data(), r.x, r.y, r.width, r.height);
}

void MagnifierDown(int x, int y) {
  if (gMagnifier.active) return;
  gMagnifier.active = true;
  gMagnifier.factor = Video().magnifier;
  gMagnifier.windowWidth = WindowPixelWidth();
  gMagnifier.windowHeight = WindowPixelHeight();
  int width = 0, height = 0;
  if (!ReadWindowPixels(&gCopy, &width, &height) || width <= 0 || height <= 0 ||
      gCopy.size() < size_t(width) * size_t(height)) {
    gCopy.clear();
  } else {
    // The view stays inside both the window as made and the copy taken.
    gCopyWidth = width;
    gCopyHeight = height;
    gMagnifier.windowWidth = std::min(gMagnifier.windowWidth, width);
    gMagnifier.windowHeight = std::min(gMagnifier.windowHeight, height);
  }
  HideCaret();  // it comes back with the text when the button is let go
  ShowEnlarged(x, y);
}

void MagnifierUp() {
  gMagnifier.active = false;
  gMagnifier.source = {};
  gCopy.clear();
  gCopy.shrink_to_fit();
  InvalidateConsole();
}

}  // namespace

const Picture* CurrentPicture() { return gPicture.get(); }

bool LoadPicture(std::string_view path) {
  std::unique_ptr<Picture> picture = ReadBmp(path);
  if (!picture) return false;  // the old picture stays
  gPicture = std::move(picture);
  return true;
}

void ShowPicture(int x, int y) {
  if (!gPicture) return;
  InitConsole();
  gPicture->x = x;
  gPicture->y = y;
  gPicture->shown = true;
  DrawImage(x, y, gPicture->width, gPicture->height, gPicture->pixels.data());
}

void RemovePicture() {
  if (!gPicture) return;
  gPicture.reset();
  InvalidateConsole();  // the text comes back where the picture was
  PumpMessages();
}

const Magnifier& CurrentMagnifier() { return gMagnifier; }

PixelRect MagnifiedSource(int x, int y, int factor, int windowWidth, int windowHeight) {
  factor = std::clamp(factor, 1, 7);
  PixelRect r;
  r.width = windowWidth / factor;
  r.height = windowHeight / factor;
  // A pointer dragged outside the window must not take the view off it.
  x = std::clamp(x, 0, std::max(windowWidth, 0));
  y = std::clamp(y, 0, std::max(windowHeight, 0));
  r.x = std::clamp(x - x / factor, 0, std::max(windowWidth - r.width, 0));
  r.y = std::clamp(y - y / factor, 0, std::max(windowHeight - r.height, 0));
  return r;
}

void MagnifierMessage(const Message& message) {
  switch (message.code) {
    case kMsgRightDown: MagnifierDown(MouseX(message), MouseY(message)); break;
    case kMsgMouseMove:
      if (gMagnifier.active) ShowEnlarged(MouseX(message), MouseY(message));
      break;
    case kMsgRightUp: MagnifierUp(); break;
    default: break;
  }
}

void ResetPicture() {
  gPicture.reset();
  gMagnifier = Magnifier{};
  gCopy.clear();
}
