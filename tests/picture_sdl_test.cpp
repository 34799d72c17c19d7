// The picture and the magnifier in a real SDL window, on a private X server
// when the test has no display of its own: what the window's pixels show.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/picture.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "tests/support/testenv.h"
#include "tests/support/xdisplay.h"

namespace {

const auto* const kDisplay = ::testing::AddGlobalTestEnvironment(new PrivateDisplay("1600x1200x24"));

constexpr uint32_t kRed = 0xF02010, kGreen = 0x10E040;

void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (8 * i));
}

// A 24-bit picture: its left half red, its right half green.
std::string HalvesBmp(int width, int height) {
  std::string s(54, '\0');
  s[0] = 'B';
  s[1] = 'M';
  Put32(s, 10, 54);
  Put32(s, 14, 40);
  Put32(s, 18, uint32_t(width));
  Put32(s, 22, uint32_t(height));
  s[26] = 1;
  s[28] = 24;
  const int padding = (4 - width * 3 % 4) % 4;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = x < width / 2 ? kRed : kGreen;
      s += char(c & 0xFF);
      s += char((c >> 8) & 0xFF);
      s += char(c >> 16);
    }
    s += std::string(size_t(padding), '\0');
  }
  return s;
}

class SdlPicture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConsole();
    ResetPicture();
    SelectWindowBackend("sdl");
    InitConsole();
    SetMouseHandler(MagnifierMessage);
    ASSERT_TRUE(Shot()) << "no SDL window (no X server?)";
  }
  void TearDown() override {
    ResetPicture();
    ResetConsole();
  }
  // What the window shows now.
  bool Shot() { return ReadWindowPixels(&pixels_, &width_, &height_); }
  uint32_t At(int x, int y) const { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }
  void Mouse(unsigned code, int x, int y) {
    Message m;
    m.code = code;
    m.lparam = (x & 0xFFFF) | (y & 0xFFFF) << 16;
    MagnifierMessage(m);
  }
  // A screen of text, so that the picture has something to cover.
  void FillText() {
    SetBackground(1);
    for (int row = 1; row <= kScreenRows; ++row) {
      MoveCursor(1, row);
      Write(std::string(kScreenColumns, 'W'));
    }
  }

  TempDir dir_;
  ScopedEnv windir_{"WINDIR", dir_.path()};
  std::vector<uint32_t> pixels_;
  int width_ = 0, height_ = 0;
};

TEST_F(SdlPicture, ShownOverTheTextAndAgainAfterARepaintUntilRemoved) {
  FillText();
  ASSERT_TRUE(LoadPicture(dir_.Write("p.bmp", HalvesBmp(40, 20))));
  ShowPicture(100, 50);
  ASSERT_TRUE(Shot());
  EXPECT_EQ(At(100, 50), kRed);
  EXPECT_EQ(At(119, 69), kRed);
  EXPECT_EQ(At(120, 50), kGreen);
  EXPECT_EQ(At(139, 69), kGreen);
  EXPECT_NE(At(140, 60), kGreen);
  EXPECT_NE(At(99, 60), kRed);

  // Text written where the picture is paints over it; a repaint puts the
  // picture back on top.
  MoveCursor(1, 1);
  Write(std::string(kScreenColumns, 'W'));
  MoveCursor(1, 2);
  Write(std::string(kScreenColumns, 'W'));
  MoveCursor(1, 3);
  Write(std::string(kScreenColumns, 'W'));
  InvalidateConsole();
  ASSERT_TRUE(Shot());
  EXPECT_EQ(At(105, 55), kRed);
  EXPECT_EQ(At(135, 65), kGreen);

  RemovePicture();
  ASSERT_TRUE(Shot());
  for (int y = 50; y < 70; y += 3)
    for (int x = 100; x < 140; x += 3) {
      EXPECT_NE(At(x, y), kRed) << x << "," << y;
      EXPECT_NE(At(x, y), kGreen) << x << "," << y;
    }
}

TEST_F(SdlPicture, MagnifierEnlargesAroundThePointerAndLeavesNoTrace) {
  FillText();
  ASSERT_TRUE(LoadPicture(dir_.Write("p.bmp", HalvesBmp(40, 20))));
  ShowPicture(400, 300);
  ASSERT_TRUE(Shot());
  const std::vector<uint32_t> before = pixels_;

  // Factor 2, pointer at the picture's corner: the source starts at
  // (200, 150), so the picture's (400, 300)..(440, 320) lands at twice its
  // distance from there: (400, 300)..(480, 340).
  Mouse(kMsgRightDown, 400, 300);
  ASSERT_TRUE(CurrentMagnifier().active);
  ASSERT_TRUE(Shot());
  EXPECT_EQ(At(410, 310), kRed);
  EXPECT_EQ(At(436, 336), kRed);   // beyond the picture's own size: enlarged
  EXPECT_EQ(At(444, 310), kGreen);
  EXPECT_EQ(At(476, 336), kGreen);
  EXPECT_NE(At(486, 320), kGreen);

  // Following the mouse: pointer at (0, 0) shows the window's top-left
  // quarter, where the picture is not.
  Mouse(kMsgMouseMove, 0, 0);
  ASSERT_TRUE(Shot());
  EXPECT_NE(At(410, 310), kRed);
  EXPECT_NE(At(476, 336), kGreen);
  Mouse(kMsgMouseMove, 400, 300);
  ASSERT_TRUE(Shot());
  EXPECT_EQ(At(436, 336), kRed);

  Mouse(kMsgRightUp, 400, 300);
  EXPECT_FALSE(CurrentMagnifier().active);
  ASSERT_TRUE(Shot());
  EXPECT_TRUE(pixels_ == before) << "the window differs after the button came up";
}

}  // namespace
