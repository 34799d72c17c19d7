// The picture slot: which BMP files load, how their rows come out, what bad
// files do to the picture already there; and the magnifier's geometry.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "console/console.h"
#include "console/picture.h"
#include "platform/window.h"
#include "platform/window_headless.h"
#include "tests/support/testenv.h"

namespace {

void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (8 * i));
}
void Put16(std::string& s, size_t at, uint16_t v) {
  s[at] = char(v);
  s[at + 1] = char(v >> 8);
}

// A BMP file with a 40-byte information header. `palette` entries are
// 0xRRGGBB; `rows` are the stored rows, bottom row first, already padded.
struct Bmp {
  int32_t width = 0, height = 0;
  int bits = 24;
  uint32_t coloursUsed = 0;
  std::vector<uint32_t> palette;
  std::string rows;

  std::string Bytes() const {
    std::string s(54, '\0');
    s[0] = 'B';
    s[1] = 'M';
    for (uint32_t c : palette) {
      s += char(c & 0xFF);
      s += char((c >> 8) & 0xFF);
      s += char((c >> 16) & 0xFF);
      s += '\0';
    }
    Put32(s, 10, uint32_t(s.size()));
    s += rows;
    Put32(s, 2, uint32_t(s.size()));
    Put32(s, 14, 40);
    Put32(s, 18, uint32_t(width));
    Put32(s, 22, uint32_t(height));
    Put16(s, 26, 1);
    Put16(s, 28, uint16_t(bits));
    Put32(s, 46, coloursUsed);
    return s;
  }
};

// 24-bit: the pixel at (x, y) of the picture (top row 0) is colour (x, y, 7).
Bmp Gradient24(int width, int height) {
  Bmp b;
  b.width = width;
  b.height = height;
  b.bits = 24;
  const int rowLength = (width * 24 + 31) / 32 * 4;
  for (int stored = 0; stored < height; ++stored) {
    std::string row(size_t(rowLength), '\xEE');  // padding that must be skipped
    const int y = height - 1 - stored;
    for (int x = 0; x < width; ++x) {
      row[3 * x] = 7;         // blue
      row[3 * x + 1] = char(y);  // green
      row[3 * x + 2] = char(x);  // red
    }
    b.rows += row;
  }
  return b;
}

uint32_t Pixel(int x, int y) {
  const Picture* p = CurrentPicture();
  return p->pixels[size_t(y) * size_t(p->width) + size_t(x)];
}

// A headless console of its own for each test, with no settings file.
class ConsoleFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConsole();
    SelectWindowBackend("headless");
    ResetPicture();
  }
  void TearDown() override {
    ResetPicture();
    ResetConsole();
  }
  TempDir windows_;
  ScopedEnv windowsDir_{"WINDIR", windows_.path()};
};

class PictureTest : public ConsoleFixture {
 protected:
  std::string File(const std::string& bytes) { return dir_.Write("p.bmp", bytes); }
  // Loads a small known picture so that refusals can be seen to keep it.
  void LoadKnown() {
    ASSERT_TRUE(LoadPicture(dir_.Write("known.bmp", Gradient24(3, 2).Bytes())));
    ASSERT_EQ(CurrentPicture()->width, 3);
  }
  void ExpectRefusedKeepingKnown(const std::string& bytes) {
    LoadKnown();
    const Picture* before = CurrentPicture();
    EXPECT_FALSE(LoadPicture(File(bytes)));
    ASSERT_EQ(CurrentPicture(), before);
    EXPECT_EQ(CurrentPicture()->width, 3);
    EXPECT_EQ(CurrentPicture()->height, 2);
    EXPECT_EQ(Pixel(2, 0), 0x020007u);
  }
  TempDir dir_;
};

TEST_F(PictureTest, TwentyFourBitRowsAreReadBottomUpWithoutPadding) {
  // 100 x 50 at 24 bits: rows of 300 bytes, already a multiple of 4.
  Bmp b = Gradient24(100, 50);
  ASSERT_EQ(b.rows.size(), 50u * 300u);
  ASSERT_TRUE(LoadPicture(File(b.Bytes())));
  const Picture* p = CurrentPicture();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->width, 100);
  EXPECT_EQ(p->height, 50);
  ASSERT_EQ(p->pixels.size(), 5000u);
  EXPECT_EQ(Pixel(0, 0), 0x000007u);
  EXPECT_EQ(Pixel(99, 0), 0x630007u);
  EXPECT_EQ(Pixel(0, 49), 0x003107u);
  EXPECT_EQ(Pixel(57, 23), 0x391707u);
  EXPECT_EQ(p->x, 0);
  EXPECT_EQ(p->y, 0);
}

TEST_F(PictureTest, OddWidthRowsSkipTheirPadding) {
  // 5 pixels at 24 bits: 15 bytes padded to 16.
  ASSERT_TRUE(LoadPicture(File(Gradient24(5, 3).Bytes())));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(Pixel(x, y), uint32_t(x << 16 | y << 8 | 7)) << x << "," << y;
}

TEST_F(PictureTest, OneBitTenWideHasRowsOfFourBytes) {
  Bmp b;
  b.width = 10;
  b.height = 2;
  b.bits = 1;
  b.palette = {0x102030, 0xA0B0C0};
  // Bottom row: 1010101010; top row: 1100000001. Bytes 3 and 4 of each row
  // are padding set to ones, which must not show.
  b.rows = std::string("\xAA\xBF\xFF\xFF", 4) + std::string("\xC0\x7F\xFF\xFF", 4);
  ASSERT_TRUE(LoadPicture(File(b.Bytes())));
  const uint32_t off = 0x102030, on = 0xA0B0C0;
  const uint32_t top[10] = {on, on, off, off, off, off, off, off, off, on};
  for (int x = 0; x < 10; ++x) {
    EXPECT_EQ(Pixel(x, 0), top[x]) << "top " << x;
    EXPECT_EQ(Pixel(x, 1), x % 2 ? off : on) << "bottom " << x;
  }
}

TEST_F(PictureTest, EightBitWithNoColoursUsedReadsTheFullPalette) {
  Bmp b;
  b.width = 4;
  b.height = 1;
  b.bits = 8;
  b.coloursUsed = 0;
  for (int i = 0; i < 256; ++i) b.palette.push_back(uint32_t(i) << 16 | uint32_t(255 - i));
  b.rows = std::string("\x00\x01\x80\xFF", 4);
  ASSERT_TRUE(LoadPicture(File(b.Bytes())));
  EXPECT_EQ(Pixel(0, 0), 0x0000FFu);
  EXPECT_EQ(Pixel(1, 0), 0x0100FEu);
  EXPECT_EQ(Pixel(2, 0), 0x80007Fu);
  EXPECT_EQ(Pixel(3, 0), 0xFF0000u);
}

TEST_F(PictureTest, ColoursUsedLimitsThePaletteRead) {
  // Four-bit pixels with a palette of 3: the pixel data starts right after it.
  Bmp b;
  b.width = 3;
  b.height = 1;
  b.bits = 4;
  b.coloursUsed = 3;
  b.palette = {0x111111, 0x222222, 0x333333};
  b.rows = std::string("\x21\x00\x00\x00", 4);
  ASSERT_TRUE(LoadPicture(File(b.Bytes())));
  EXPECT_EQ(Pixel(0, 0), 0x333333u);
  EXPECT_EQ(Pixel(1, 0), 0x222222u);
  EXPECT_EQ(Pixel(2, 0), 0x111111u);
}

// Run-length coded pictures: palette 0 to 3 are 0x000000, 0x111111, 0x222222
// and 0x333333; the rows are read back top first as palette indices.
class RlePicture : public PictureTest {
 protected:
  std::vector<int> Indices(const std::string& file) {
    std::vector<int> out;
    if (!LoadPicture(file)) return out;
    const Picture* p = CurrentPicture();
    for (uint32_t c : p->pixels) out.push_back(int(c & 0xFF) / 0x11);
    return out;
  }
  std::string Coded(int bits, int width, int height, const std::string& data) {
    Bmp b;
    b.width = width;
    b.height = height;
    b.bits = bits;
    b.coloursUsed = 4;
    b.palette = {0x000000, 0x111111, 0x222222, 0x333333};
    b.rows = data;
    std::string s = b.Bytes();
    Put32(s, 30, bits == 8 ? 1 : 2);
    return File(s);
  }
};

TEST_F(RlePicture, Rle8RunsStretchesMovesAndEnds) {
  const std::string data("\x03\x01\x01\x02\x00\x00"           // bottom row: 1 1 1 2, end of row
                         "\x00\x02\x02\x00\x02\x03\x00\x00"   // move 2 right, 3 3, end of row
                         "\x00\x03\x01\x02\x03\x00\x00\x01",  // a stretch of 1 2 3 (padded), the end
                         22);
  EXPECT_EQ(Indices(Coded(8, 4, 3, data)), (std::vector<int>{1, 2, 3, 0, 0, 0, 3, 3, 1, 1, 1, 2}));
}

TEST_F(RlePicture, Rle4IndicesTakeTurns) {
  const std::string data("\x05\x12\x00\x00"        // bottom row: 1 2 1 2 1
                         "\x00\x03\x31\x20\x00\x01",  // a stretch of 3 1 2, the end
                         10);
  EXPECT_EQ(Indices(Coded(4, 5, 2, data)), (std::vector<int>{3, 1, 2, 0, 0, 1, 2, 1, 2, 1}));
}

TEST_F(RlePicture, CodesPastTheEdgesOrTheDataDrawWhatTheyCan) {
  // A run wider than the row, then a move above the top.
  EXPECT_EQ(Indices(Coded(8, 2, 2, std::string("\x09\x02\x00\x00\x00\x02\x00\x09", 8))),
            (std::vector<int>{0, 0, 2, 2}));
  // A stretch longer than the data that is left.
  EXPECT_EQ(Indices(Coded(8, 2, 2, std::string("\x01\x03\x00\xFF\x01", 5))), (std::vector<int>{0, 0, 3, 0}));
}

TEST_F(PictureTest, SixteenAndThirtyTwoBitPixels) {
  Bmp b;
  b.width = 2;
  b.height = 1;
  b.bits = 16;
  b.rows = std::string("\x00\x7C\x1F\x00", 4);  // pure red, pure blue (5-5-5)
  ASSERT_TRUE(LoadPicture(File(b.Bytes())));
  EXPECT_EQ(Pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(Pixel(1, 0), 0x0000FFu);

  b.bits = 32;
  b.rows = std::string("\x01\x02\x03\x00\x04\x05\x06\xFF", 8);
  ASSERT_TRUE(LoadPicture(File(b.Bytes())));
  EXPECT_EQ(Pixel(0, 0), 0x030201u);
  EXPECT_EQ(Pixel(1, 0), 0x060504u);
}

TEST_F(PictureTest, WindowsPathOfTheSplashIsFound) {
  ScopedEnv drives("ZELNAR_DRIVES", dir_.path());
  dir_.Write("c/kelmar/som/zelnar/breniq.bmp", Gradient24(6, 4).Bytes());
  ASSERT_TRUE(LoadPicture("C:\\kelmar\\som\\zelnar\\BRENIQ.BMP"));
  EXPECT_EQ(CurrentPicture()->width, 6);
}

TEST_F(PictureTest, MissingFileAndOtherHeadersAreRefused) {
  LoadKnown();
  EXPECT_FALSE(LoadPicture(dir_.path() + "/absent.bmp"));
  EXPECT_FALSE(LoadPicture(dir_.path()));  // a folder
  EXPECT_EQ(CurrentPicture()->width, 3);

  // A 12-byte core header: 16-bit width and height, no palette size.
  std::string core(26, '\0');
  core[0] = 'B';
  core[1] = 'M';
  Put32(core, 10, 26);
  Put32(core, 14, 12);
  Put16(core, 18, 2);
  Put16(core, 20, 2);
  Put16(core, 22, 1);
  Put16(core, 24, 24);
  core += std::string(16, '\x55');
  ExpectRefusedKeepingKnown(core);

  // A 124-byte header of a newer kind.
  std::string v5 = Gradient24(2, 2).Bytes();
  Put32(v5, 14, 124);
  ExpectRefusedKeepingKnown(v5);
}

TEST_F(PictureTest, BadDimensionsAreRefused) {
  Bmp b = Gradient24(4, 4);
  std::string zeroHeight = b.Bytes();
  Put32(zeroHeight, 22, 0);
  ExpectRefusedKeepingKnown(zeroHeight);

  std::string topDown = b.Bytes();
  Put32(topDown, 22, uint32_t(-4));
  ExpectRefusedKeepingKnown(topDown);

  std::string zeroWidth = b.Bytes();
  Put32(zeroWidth, 18, 0);
  ExpectRefusedKeepingKnown(zeroWidth);

  std::string negativeWidth = b.Bytes();
  Put32(negativeWidth, 18, uint32_t(-4));
  ExpectRefusedKeepingKnown(negativeWidth);

  // Wider than 16 bits: its low bits would read 4, a different picture.
  std::string tooWide = b.Bytes();
  Put32(tooWide, 18, 0x10004);
  ExpectRefusedKeepingKnown(tooWide);
}

TEST_F(PictureTest, HugePicturesAreRefusedBeforeAnyLargeReservation) {
  // 60000 x 60000 at 32 bits would need 14 GB; the file is tiny.
  Bmp b = Gradient24(4, 4);
  b.bits = 32;
  std::string huge = b.Bytes();
  Put32(huge, 18, 60000);
  Put32(huge, 22, 60000);
  ExpectRefusedKeepingKnown(huge);

  // Even a file holding all its pixels is refused when the decoded picture
  // would need more than a few tens of MB: 1 bit per pixel, 8000 x 8000.
  Bmp ones;
  ones.width = 8000;
  ones.height = 8000;
  ones.bits = 1;
  ones.palette = {0, 0xFFFFFF};
  ones.rows = std::string(size_t(1000 * 8000), '\0');
  ExpectRefusedKeepingKnown(ones.Bytes());
}

TEST_F(PictureTest, TruncatedFilesAreRefused) {
  const std::string whole = Gradient24(10, 10).Bytes();
  for (size_t keep : {size_t(0), size_t(10), size_t(30), size_t(53), whole.size() - 1})
    ExpectRefusedKeepingKnown(whole.substr(0, keep));
}

TEST_F(PictureTest, OffsetsAndPalettesPastTheEndAreRefused) {
  std::string offset = Gradient24(4, 4).Bytes();
  Put32(offset, 10, 0xFFFFFF00u);
  ExpectRefusedKeepingKnown(offset);

  Bmp b;
  b.width = 2;
  b.height = 1;
  b.bits = 8;
  b.coloursUsed = 0xFFFFFFFFu;  // 16 GB of palette in a file of a few bytes
  b.palette = {0, 0xFFFFFF};
  b.rows = std::string(4, '\x01');
  ExpectRefusedKeepingKnown(b.Bytes());

  b.coloursUsed = 0;  // 256 entries claimed, 2 present
  ExpectRefusedKeepingKnown(b.Bytes());
}

TEST_F(PictureTest, UnsupportedDepthsAndCompressionAreRefused) {
  for (int bits : {0, 2, 7, 48}) {
    std::string s = Gradient24(2, 2).Bytes();
    Put16(s, 28, uint16_t(bits));
    ExpectRefusedKeepingKnown(s);
  }
  std::string rle = Gradient24(2, 2).Bytes();
  Put32(rle, 30, 1);
  ExpectRefusedKeepingKnown(rle);
}

TEST_F(PictureTest, ShowRemembersThePositionAndRemoveEmptiesTheSlot) {
  ShowPicture(30, 40);  // nothing loaded: nothing happens
  EXPECT_EQ(CurrentPicture(), nullptr);

  LoadKnown();
  EXPECT_FALSE(CurrentPicture()->shown);
  ShowPicture(120, 64);
  EXPECT_TRUE(CurrentPicture()->shown);
  EXPECT_EQ(CurrentPicture()->x, 120);
  EXPECT_EQ(CurrentPicture()->y, 64);

  // A new picture replaces the old one at the corner until shown.
  ASSERT_TRUE(LoadPicture(File(Gradient24(7, 1).Bytes())));
  EXPECT_EQ(CurrentPicture()->width, 7);
  EXPECT_EQ(CurrentPicture()->x, 0);
  EXPECT_EQ(CurrentPicture()->y, 0);
  EXPECT_FALSE(CurrentPicture()->shown);

  const int drawsBefore = HeadlessDrawCalls();
  RemovePicture();
  EXPECT_EQ(CurrentPicture(), nullptr);
  EXPECT_GE(HeadlessDrawCalls() - drawsBefore, kScreenRows);  // the text painted again
  RemovePicture();  // twice is harmless
  EXPECT_EQ(CurrentPicture(), nullptr);
}

TEST(MagnifierGeometry, FactorOneShowsTheWindowUnchanged) {
  PixelRect r = MagnifiedSource(400, 300, 1, 800, 600);
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 0);
  EXPECT_EQ(r.width, 800);
  EXPECT_EQ(r.height, 600);
}

TEST(MagnifierGeometry, FactorTwoTakesHalfTheWindowAroundThePointer) {
  PixelRect r = MagnifiedSource(400, 300, 2, 800, 600);
  EXPECT_EQ(r.x, 200);
  EXPECT_EQ(r.y, 150);
  EXPECT_EQ(r.width, 400);
  EXPECT_EQ(r.height, 300);

  // At the corners the view reaches the window's edges and no further.
  r = MagnifiedSource(0, 0, 3, 800, 600);
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 0);
  r = MagnifiedSource(800, 600, 3, 800, 600);
  EXPECT_EQ(r.x + r.width, 800);
  EXPECT_EQ(r.y + r.height, 600);
  // A pointer dragged outside the window keeps the view inside it.
  r = MagnifiedSource(-50, 5000, 4, 800, 600);
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 600 - 150);
}

class MagnifierTest : public ConsoleFixture {
 protected:
  void Mouse(WindowEventType type, int x, int y) {
    WindowEvent e;
    e.type = type;
    e.x = x;
    e.y = y;
    InjectWindowEvent(e);
    PumpMessages();
  }
  void Start() {
    InitConsole();
    SetMouseHandler(MagnifierMessage);
  }
};

TEST_F(MagnifierTest, RightButtonDownMoveAndUpWithTheDefaultFactor) {
  Start();
  const int w = WindowPixelWidth(), h = WindowPixelHeight();
  ASSERT_GT(w, 0);
  Mouse(WindowEventType::kMouseMove, 100, 100);  // no button: nothing
  EXPECT_FALSE(CurrentMagnifier().active);

  Mouse(WindowEventType::kRightDown, 400, 300);
  ASSERT_TRUE(CurrentMagnifier().active);
  EXPECT_EQ(CurrentMagnifier().factor, 2);
  EXPECT_EQ(CurrentMagnifier().windowWidth, w);
  EXPECT_EQ(CurrentMagnifier().windowHeight, h);
  EXPECT_EQ(CurrentMagnifier().source.x, 200);
  EXPECT_EQ(CurrentMagnifier().source.y, 150);
  EXPECT_EQ(CurrentMagnifier().source.width, w / 2);
  EXPECT_EQ(CurrentMagnifier().source.height, h / 2);

  Mouse(WindowEventType::kMouseMove, 600, 100);
  EXPECT_EQ(CurrentMagnifier().source.x, 300);
  EXPECT_EQ(CurrentMagnifier().source.y, 50);
  Mouse(WindowEventType::kRightDown, 10, 10);  // already held: no new copy
  EXPECT_EQ(CurrentMagnifier().source.x, 300);

  // Letting go repaints the whole text screen.
  WriteText("abc", 3);
  const int drawsBefore = HeadlessDrawCalls();
  Mouse(WindowEventType::kRightUp, 600, 100);
  EXPECT_FALSE(CurrentMagnifier().active);
  EXPECT_GE(HeadlessDrawCalls() - drawsBefore, kScreenRows);
  EXPECT_EQ(HeadlessDrawnCell(1, 0).ch, 'b');
  Mouse(WindowEventType::kMouseMove, 400, 300);
  EXPECT_FALSE(CurrentMagnifier().active);
}

TEST_F(MagnifierTest, TheCaretStaysOffTheEnlargedViewAndComesBackAfter) {
  Start();
  PumpMessages();  // the window has the focus
  BeginKeyWait();
  ASSERT_TRUE(HeadlessCaretShown(nullptr, nullptr));
  Mouse(WindowEventType::kRightDown, 400, 300);
  EXPECT_FALSE(HeadlessCaretShown(nullptr, nullptr));
  // The next key wait while the button is held: still no caret.
  EndKeyWait();
  BeginKeyWait();
  Mouse(WindowEventType::kMouseMove, 420, 300);
  EXPECT_FALSE(HeadlessCaretShown(nullptr, nullptr));
  Mouse(WindowEventType::kRightUp, 420, 300);
  EXPECT_TRUE(HeadlessCaretShown(nullptr, nullptr));
  EndKeyWait();
}

TEST_F(MagnifierTest, FactorComesFromTheVideoSettings) {
  windows_.Write("TAVIRO.INI", "[VIDEO]\r\nAMPLIF=35\r\n");
  Start();
  Mouse(WindowEventType::kRightDown, 300, 90);
  EXPECT_EQ(CurrentMagnifier().factor, 3);
  EXPECT_EQ(CurrentMagnifier().source.x, 200);
  EXPECT_EQ(CurrentMagnifier().source.y, 60);
  EXPECT_EQ(CurrentMagnifier().source.width, WindowPixelWidth() / 3);
}

}  // namespace
