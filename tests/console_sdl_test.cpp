// The desktop window in a real X server (a private Xvfb when the test has no
// display): what X shows of the splash text, and a key typed through X.
#include <SDL.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/keyboard.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "tests/support/testenv.h"
#include "tests/support/xdisplay.h"

namespace {
const auto* const kDisplay = ::testing::AddGlobalTestEnvironment(new PrivateDisplay("1280x1024x24"));


// A screenshot of one X window as 0xRRGGBB pixels.
struct Shot {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Shot TakeShot(const std::string& window, int width, int height) {
  Shot shot;
  std::string raw = ShellOutput("import -window " + window + " -depth 8 rgb:- 2>/dev/null");
  if (raw.size() != static_cast<size_t>(width) * height * 3) return shot;
  shot.width = width;
  shot.height = height;
  for (size_t i = 0; i + 2 < raw.size(); i += 3)
    shot.pixels.push_back(static_cast<uint32_t>(static_cast<unsigned char>(raw[i])) << 16 |
                          static_cast<uint32_t>(static_cast<unsigned char>(raw[i + 1])) << 8 |
                          static_cast<unsigned char>(raw[i + 2]));
  return shot;
}

// Pixels of a colour inside one text cell.
int CountInCell(const Shot& shot, int column, int row, uint32_t colour) {
  int n = 0;
  for (int y = row * CellHeight(); y < (row + 1) * CellHeight(); ++y)
    for (int x = column * CellWidth(); x < (column + 1) * CellWidth(); ++x) n += shot.At(x, y) == colour;
  return n;
}

class SdlWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no X server (Xvfb is not installed)";
    if (ShellOutput("command -v import >/dev/null && command -v xdotool >/dev/null && echo yes") != "yes\n")
      GTEST_SKIP() << "import or xdotool missing";
    ResetMessages();
    ResetConsole();
    SelectWindowBackend("sdl");
    InitConsole();
    if (WindowBackendName() != "sdl") GTEST_SKIP() << "SDL cannot open a window here";
  }
  void TearDown() override {
    ResetConsole();
    ResetWindow();
    ResetMessages();
  }
  // Pumps until X has had its say (input, exposure): bounded, not timed.
  void Settle() {
    for (int i = 0; i < 20; ++i) {
      WaitMessageFor(10);
      PumpMessages();
    }
  }
  std::string WindowId(const std::string& title) {
    std::string id = ShellOutput("xdotool search --name '^" + title + "$' 2>/dev/null | head -1");
    while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
    return id;
  }
  TempDir windows_;
  // A fixed font size, so the test does not depend on the screen's size.
  std::string ini_ = windows_.Write("TAVIRO.INI", "[VIDEO]\nLARGURALETRA=12\nALTURALETRA=24\n");
  ScopedEnv windowsDir_{"WINDIR", windows_.path()};
  ScopedEnv timeScale_{"ZELNAR_TIME_SCALE", "0"};
};

TEST_F(SdlWindow, SplashTextInItsColoursAsXShowsIt) {
  ConsoleTitle("Zelnar");
  SetBackground(1);
  WriteLn("Zelnar - Gerenciador de redes Wi-Fi");
  SetBackground(0);
  MoveCursor(6, 3);
  SetForeground(14);
  WriteLn("Para quem ouve a rede");
  Settle();
  ASSERT_EQ(CellWidth(), 12);
  ASSERT_EQ(CellHeight(), 24);
  std::string id = WindowId("Zelnar");
  ASSERT_FALSE(id.empty()) << "no X window titled Zelnar";
  Shot shot = TakeShot(id, 80 * 12, 25 * 24);
  ASSERT_FALSE(shot.pixels.empty()) << "screenshot failed";
  // "Z" on blue: mostly blue, with white glyph pixels.
  EXPECT_GT(CountInCell(shot, 0, 0, 0x0000FF), 12 * 24 / 2);
  EXPECT_GT(CountInCell(shot, 0, 0, 0xFFFFFF), 10);
  // The blank between words is all blue; past the title, all black.
  EXPECT_EQ(CountInCell(shot, 6, 0, 0x0000FF), 12 * 24);
  EXPECT_EQ(CountInCell(shot, 50, 0, 0x000000), 12 * 24);
  // The yellow line at column 6, row 3.
  EXPECT_GT(CountInCell(shot, 5, 2, 0xFFFF00), 10);
  EXPECT_EQ(CountInCell(shot, 5, 2, 0xFFFFFF), 0);
  // The window's own read-back agrees with X.
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  ASSERT_TRUE(ReadWindowPixels(&pixels, &w, &h));
  ASSERT_EQ(w, shot.width);
  ASSERT_EQ(h, shot.height);
  EXPECT_EQ(pixels, shot.pixels);
}

// A face that no font provides: the window draws with the fallback, and
// every letter still shows.
TEST_F(SdlWindow, AFontThatCannotBeFoundFallsBack) {
  ResetConsole();
  ResetWindow();
  windows_.Write("TAVIRO.INI", "[VIDEO]\nLARGURALETRA=12\nALTURALETRA=24\nFONTE=Nenhuma Fonte Assim\n");
  SelectWindowBackend("sdl");
  ConsoleTitle("Zelnar fonte");
  ASSERT_EQ(WindowBackendName(), "sdl");
  Write("Wi");
  Settle();
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  ASSERT_TRUE(ReadWindowPixels(&pixels, &w, &h));
  Shot shot{w, h, pixels};
  // Two different glyphs in the foreground colour, not blocks or nothing.
  int first = CountInCell(shot, 0, 0, 0xFFFFFF), second = CountInCell(shot, 1, 0, 0xFFFFFF);
  EXPECT_GT(first, 10);
  EXPECT_GT(second, 5);
  EXPECT_NE(first, second);
}

TEST_F(SdlWindow, AKeyTypedThroughXReachesTheQueue) {
  ConsoleTitle("Zelnar teclado");
  Settle();
  std::string id = WindowId("Zelnar teclado");
  ASSERT_FALSE(id.empty());
  ShellOutput("xdotool windowfocus --sync " + id + " key Down key a 2>/dev/null");
  std::vector<int> codes;
  for (int i = 0; i < 200 && codes.size() < 3; ++i) {
    WaitMessageFor(10);
    while (KeyWaiting()) codes.push_back(TakeKey());
  }
  EXPECT_EQ(codes, (std::vector<int>{0, 80, 'a'}));
}

TEST_F(SdlWindow, BrailleModeByCtrlShiftThroughX) {
  // The X server keeps Ctrl+Alt+F11 for itself (a screen switch) and the
  // window never sees it; Ctrl+Shift+F11 and F12 reach it.
  SetToneOutput([](int, const uint8_t*, size_t) {});
  ConsoleTitle("Zelnar braille");
  Settle();
  std::string id = WindowId("Zelnar braille");
  ASSERT_FALSE(id.empty());
  ShellOutput("xdotool windowfocus --sync " + id + " key ctrl+shift+F11 2>/dev/null");
  for (int i = 0; i < 200 && BrailleMode() != 1; ++i) KeyWaiting(), WaitMessageFor(10);
  EXPECT_EQ(BrailleMode(), 1);
  ShellOutput("xdotool key ctrl+shift+F12 2>/dev/null");
  for (int i = 0; i < 200 && BrailleMode() != 0; ++i) KeyWaiting(), WaitMessageFor(10);
  EXPECT_EQ(BrailleMode(), 0);
}

// Key events as SDL gives them, put in its queue as if the window system
// had sent them.
void PushKey(SDL_Scancode scancode, SDL_Keycode sym, Uint16 mods) {
  SDL_Event ev{};
  ev.type = SDL_KEYDOWN;
  ev.key.state = SDL_PRESSED;
  ev.key.keysym.scancode = scancode;
  ev.key.keysym.sym = sym;
  ev.key.keysym.mod = mods;
  SDL_PushEvent(&ev);
}
void PushText(const char* utf8) {
  SDL_Event ev{};
  ev.type = SDL_TEXTINPUT;
  SDL_strlcpy(ev.text.text, utf8, sizeof ev.text.text);
  SDL_PushEvent(&ev);
}

TEST_F(SdlWindow, FunctionKeysThatTheSystemRenamedAndAltGrText) {
  SetToneOutput([](int, const uint8_t*, size_t) {});
  // Ctrl+Alt+F11 where the window system made it a terminal switch: the
  // symbol is not F11, the place is.
  PushKey(SDL_SCANCODE_F11, SDLK_UNKNOWN, KMOD_LCTRL | KMOD_LALT);
  // AltGr+Q and AltGr+2 of ABNT2 type "/" and a superscript 2; a right Alt
  // that is a plain Alt gives the key's own letter, and left Alt or Ctrl
  // type nothing (Ctrl+Alt+Q is the key code 0, 16).
  PushKey(SDL_SCANCODE_Q, SDLK_q, KMOD_RALT);
  PushText("/");
  PushKey(SDL_SCANCODE_2, SDLK_2, KMOD_RALT);
  PushText("\xC2\xB2");
  PushKey(SDL_SCANCODE_X, SDLK_x, KMOD_RALT);
  PushText("x");
  PushKey(SDL_SCANCODE_Q, SDLK_q, KMOD_LALT);
  PushText("/");
  PushKey(SDL_SCANCODE_Q, SDLK_q, KMOD_LCTRL | KMOD_RALT);
  PushText("/");
  std::vector<int> codes;
  for (int i = 0; i < 20; ++i) {
    WaitMessageFor(10);
    while (KeyWaiting()) codes.push_back(TakeKey());
  }
  EXPECT_EQ(BrailleMode(), 1);
  EXPECT_EQ(codes, (std::vector<int>{'/', 0xB2, 0, 16}));
}

TEST_F(SdlWindow, CaretOnTheBaseLineWhileAKeyIsAwaited) {
  ConsoleTitle("Zelnar cursor");
  Settle();
  std::string id = WindowId("Zelnar cursor");
  ASSERT_FALSE(id.empty());
  ShellOutput("xdotool windowfocus --sync " + id + " 2>/dev/null");
  for (int i = 0; i < 200 && !ConsoleFocused(); ++i) {
    WaitMessageFor(10);
    PumpMessages();
  }
  ASSERT_TRUE(ConsoleFocused());
  MoveCursor(3, 2);
  BeginKeyWait();
  Settle();
  Shot shot = TakeShot(id, 80 * 12, 25 * 24);
  ASSERT_FALSE(shot.pixels.empty());
  // Two rows of the cell at column 3, row 2, from the base line down, are
  // inverted (black to white); nothing else is.
  int top = 1 * 24 + CellAscent();
  for (int y = 24; y < 48; ++y)
    for (int x = 2 * 12; x < 3 * 12; ++x)
      EXPECT_EQ(shot.At(x, y), (y == top || y == top + 1) ? 0xFFFFFFu : 0x000000u) << x << "," << y;
  EXPECT_EQ(CountInCell(shot, 3, 1, 0x000000), 12 * 24);
  EndKeyWait();
  Settle();
  shot = TakeShot(id, 80 * 12, 25 * 24);
  ASSERT_FALSE(shot.pixels.empty());
  EXPECT_EQ(CountInCell(shot, 2, 1, 0x000000), 12 * 24);
}

TEST_F(SdlWindow, ScrollingRepaintsFromTheBuffer) {
  ConsoleTitle("Zelnar rolagem");
  MoveCursor(1, 2);
  SetForeground(10);
  Write("verde");
  MoveCursor(1, 25);
  Write("\n");
  Settle();
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  ASSERT_TRUE(ReadWindowPixels(&pixels, &w, &h));
  Shot shot{w, h, pixels};
  // The green text moved from row 2 to row 1; row 2 is black again.
  EXPECT_LT(CountInCell(shot, 0, 0, 0x000000), 12 * 24 - 10);
  EXPECT_GT(CountInCell(shot, 0, 0, 0x80FF80), 0);
  EXPECT_EQ(CountInCell(shot, 0, 1, 0x000000), 12 * 24);
}
}  // namespace
