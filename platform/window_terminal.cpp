// The text-terminal window: the screen mirrored with ANSI sequences in 24-bit
// colour, keys read raw and turned into the same key events as a desktop
// window gives. UTF-8 on the wire; the terminal is put back on every way out.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "platform/latin1.h"
#include "platform/messages.h"
#include "platform/window_backend.h"
#include "platform/window_terminal.h"

namespace {
bool gOpen = false;
bool gHungUp = false;  // the terminal has gone: nothing more to read
termios gSaved;
bool gSavedValid = false;
int gSavedStderr = -1;  // standard error while the window keeps it off the screen
int gWakePipe[2] = {-1, -1};
volatile sig_atomic_t gResized = 0;
std::string gOut;
std::string gIn;  // bytes read and not yet turned into events
std::deque<WindowEvent> gEvents;
int gRows = 25, gColumns = 80;
uint32_t gLastFg = 0xFFFFFFFF, gLastBg = 0xFFFFFFFF;
bool gCaret = false;
int gCaretColumn = 0, gCaretRow = 0;

// Colours, cursor shape and visibility, wrapping, focus reports, the main
// screen and the terminal's own title (saved at the opening).
constexpr char kRestore[] = "\x1b[0m\x1b[0 q\x1b[?25h\x1b[?7h\x1b[?1004l\x1b[?1049l\x1b[23;0t";

void WriteAll(const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(1, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    data += n;
    size -= static_cast<size_t>(n);
  }
}

// Safe inside a signal handler: write and tcsetattr only.
void RestoreTerminal() {
  if (!gOpen) return;
  gOpen = false;
  WriteAll(kRestore, sizeof kRestore - 1);
  if (gSavedValid) tcsetattr(0, TCSAFLUSH, &gSaved);
  if (gSavedStderr >= 0) {
    dup2(gSavedStderr, 2);
    close(gSavedStderr);
    gSavedStderr = -1;
  }
}

// Libraries complain on standard error (the sound library when it finds no
// card); on the terminal the window draws on, that would land in the screen.
void SilenceStderr() {
  if (gSavedStderr >= 0 || !isatty(2)) return;
  int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (nowhere < 0) return;
  gSavedStderr = fcntl(2, F_DUPFD_CLOEXEC, 3);
  if (gSavedStderr >= 0) dup2(nowhere, 2);
  close(nowhere);
}

// SIGTERM, SIGHUP and SIGINT end the program through its message queue
// (platform/messages.h); these end it where it stands.
constexpr int kFatalSignals[] = {SIGQUIT, SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};

void OnFatalSignal(int sig) {
  RestoreTerminal();
  signal(sig, SIG_DFL);
  raise(sig);
}

void OnResize(int) {
  gResized = 1;
  if (gWakePipe[1] >= 0) {
    char c = 'r';
    ssize_t ignored = write(gWakePipe[1], &c, 1);
    (void)ignored;
  }
}

void MeasureTerminal() {
  winsize w{};
  if (ioctl(1, TIOCGWINSZ, &w) == 0 && w.ws_row > 0 && w.ws_col > 0) {
    gRows = w.ws_row;
    gColumns = w.ws_col;
  }
}

void Flush() {
  if (gOut.empty()) return;
  if (gCaret && gCaretRow < gRows && gCaretColumn < gColumns) {
    gOut += "\x1b[" + std::to_string(gCaretRow + 1) + ";" + std::to_string(gCaretColumn + 1) + "H\x1b[?25h";
  } else {
    gOut += "\x1b[?25l";
  }
  WriteAll(gOut.data(), gOut.size());
  gOut.clear();
}

void Colour(const char* kind, uint32_t rgb) {
  gOut += "\x1b[";
  gOut += kind;
  gOut += ";2;" + std::to_string((rgb >> 16) & 0xFF) + ";" + std::to_string((rgb >> 8) & 0xFF) + ";" +
          std::to_string(rgb & 0xFF) + "m";
}

void TerminalWorkArea(int* width, int* height) {
  *width = 1024;
  *height = 734;
}

bool TerminalOpen(const WindowSetup& setup, int* cw, int* ch, int* ascent) {
  if (!isatty(0) || !isatty(1)) return false;
  if (tcgetattr(0, &gSaved) != 0) return false;
  gSavedValid = true;
  termios raw = gSaved;
  raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
  raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  raw.c_cflag |= CS8;
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(0, TCSAFLUSH, &raw) != 0) return false;
  if (gWakePipe[0] < 0 && pipe(gWakePipe) == 0) {
    for (int fd : gWakePipe) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  gOpen = true;
  gHungUp = false;
  SilenceStderr();
  static bool handlersInstalled = false;
  if (!handlersInstalled) {
    handlersInstalled = true;
    std::atexit(RestoreTerminal);
    for (int sig : kFatalSignals) signal(sig, OnFatalSignal);
    signal(SIGWINCH, OnResize);
    SetSignalRescue(RestoreTerminal);
  }
  MeasureTerminal();
  gLastFg = gLastBg = 0xFFFFFFFF;
  gOut = "\x1b[22;0t\x1b[?1049h\x1b[?7l\x1b[?1004h\x1b[0m\x1b[2J";
  gOut += "\x1b]0;" + Latin1ToUtf8(setup.title) + "\x07";
  Flush();
  *cw = 8;
  *ch = 16;
  *ascent = 12;
  WindowEvent focus;
  focus.type = WindowEventType::kFocusIn;
  gEvents.push_back(focus);
  return true;
}

void TerminalClose() {
  Flush();
  RestoreTerminal();
  gEvents.clear();
  gIn.clear();
  gCaret = false;
}

void TerminalTitle(std::string_view latin1) {
  gOut += "\x1b]0;" + Latin1ToUtf8(latin1) + "\x07";
}

void TerminalDrawRun(int column, int row, const char* text, int count, uint32_t fg, uint32_t bg) {
  if (row >= gRows || column >= gColumns) return;
  if (column + count > gColumns) count = gColumns - column;
  gOut += "\x1b[" + std::to_string(row + 1) + ";" + std::to_string(column + 1) + "H";
  if (fg != gLastFg) Colour("38", fg);
  if (bg != gLastBg) Colour("48", bg);
  gLastFg = fg;
  gLastBg = bg;
  // Control characters (C0, DEL and the C1 range) take no column on a
  // terminal, or act; a name holding one would pull the rest of its row left.
  std::string cells(text, static_cast<size_t>(count));
  // Text in the colour of its background (a security key as it is typed)
  // looks the same as blanks, and blanks leave nothing on the terminal for a
  // screen reader or a copy to give away.
  if (fg == bg) cells.assign(cells.size(), ' ');
  for (char& c : cells) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x20 || (b >= 0x7F && b <= 0x9F)) c = '?';
  }
  gOut += Latin1ToUtf8(cells);
}

bool TerminalScrollUp(int, uint32_t) { return false; }

void TerminalShowCaret(int column, int row) {
  gCaret = true;
  gCaretColumn = column;
  gCaretRow = row;
  gOut += "\x1b[4 q";  // an underline, as the desktop window's caret
}

void TerminalHideCaret() {
  gCaret = false;
  gOut += "\x1b[?25l";
}

void TerminalDrawImage(int, int, int, int, const uint32_t*) {}
void TerminalDrawStretched(int, int, const uint32_t*, int, int, int, int) {}
bool TerminalReadPixels(std::vector<uint32_t>*, int*, int*) { return false; }

bool gParseOnly = false;  // tests: the bytes given are all there is

// Reads what the terminal has sent, waiting at most timeout_ms.
bool ReadInput(int timeout_ms) {
  if (gParseOnly || gHungUp) return false;
  pollfd p{0, POLLIN, 0};
  if (poll(&p, 1, timeout_ms) <= 0) return false;
  char buffer[256];
  ssize_t n = read(0, buffer, sizeof buffer);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return false;
  if (n <= 0) {
    // The terminal is gone: as if the window were closed, once (a hung-up
    // terminal answers every read at once, and would be closed for ever).
    gHungUp = true;
    WindowEvent e;
    e.type = WindowEventType::kClose;
    gEvents.push_back(e);
    return false;
  }
  gIn.append(buffer, static_cast<size_t>(n));
  return true;
}

void Key(int key, unsigned mods, int ch = -1) {
  WindowEvent e;
  e.type = WindowEventType::kKeyDown;
  e.key = key;
  e.mods = mods;
  gEvents.push_back(e);
  if (ch >= 0) {
    e.type = WindowEventType::kChar;
    e.ch = ch;
    gEvents.push_back(e);
  }
}

// The modifier parameter of xterm sequences: 1 + shift 1, alt 2, ctrl 4.
unsigned XtermMods(int param) {
  if (param < 2) return 0;
  int bits = param - 1;
  return ((bits & 1) ? kModShift : 0) | ((bits & 2) ? kModAlt : 0) | ((bits & 4) ? kModCtrl : 0);
}

// A control sequence (after ESC [ or ESC O): its parameters and final byte.
void Sequence(char intro, const std::string& params, char final) {
  int first = 0, second = 0;
  size_t semi = params.find(';');
  first = std::atoi(params.substr(0, semi).c_str());
  if (semi != std::string::npos) second = std::atoi(params.substr(semi + 1).c_str());
  unsigned mods = XtermMods(second);
  switch (final) {
    case 'A': Key(kKeyUp, mods); return;
    case 'B': Key(kKeyDown, mods); return;
    case 'C': Key(kKeyRight, mods); return;
    case 'D': Key(kKeyLeft, mods); return;
    case 'H': Key(kKeyHome, mods); return;
    case 'F': Key(kKeyEnd, mods); return;
    case 'E': Key(kKeyCenter, mods); return;
    case 'P': Key(kKeyF1, mods); return;
    case 'Q': Key(kKeyF1 + 1, mods); return;
    case 'R': Key(kKeyF1 + 2, mods); return;
    case 'S': Key(kKeyF1 + 3, mods); return;
    case 'Z': Key(kKeyTab, kModShift, 9); return;
    case 'I':
    case 'O': {
      if (intro != '[' || !params.empty()) return;
      WindowEvent e;
      e.type = final == 'I' ? WindowEventType::kFocusIn : WindowEventType::kFocusOut;
      gEvents.push_back(e);
      return;
    }
    case '~': break;
    default: return;
  }
  switch (first) {
    case 1:
    case 7: Key(kKeyHome, mods); return;
    case 2: Key(kKeyInsert, mods); return;
    case 3: Key(kKeyDelete, mods); return;
    case 4:
    case 8: Key(kKeyEnd, mods); return;
    case 5: Key(kKeyPageUp, mods); return;
    case 6: Key(kKeyPageDown, mods); return;
    case 11: case 12: case 13: case 14: Key(kKeyF1 + first - 11, mods); return;
    case 15: Key(kKeyF1 + 4, mods); return;
    case 17: case 18: case 19: case 20: case 21: Key(kKeyF1 + 5 + first - 17, mods); return;
    case 23: Key(kKeyF11, mods); return;
    case 24: Key(kKeyF12, mods); return;
    default: return;
  }
}

// A plain byte or character (Latin-1), with Alt when it came after ESC.
void Character(unsigned char c, bool alt) {
  unsigned mods = alt ? kModAlt : 0;
  if (c == 13) return Key(kKeyEnter, mods, alt ? -1 : 13);
  if (c == 10) return Key(kKeyEnter, mods | kModCtrl, alt ? -1 : 13);
  if (c == 9) return Key(kKeyTab, mods, alt ? -1 : 9);
  if (c == 127) return Key(kKeyBackspace, mods, alt ? -1 : 8);
  if (c == 8) return Key(kKeyBackspace, mods | kModCtrl, alt ? -1 : 8);
  // A terminal has no Break key: Ctrl+C and Ctrl+\ stand for Ctrl+Break.
  if (c == 3 || c == 28) return Key(kKeyBreak, mods | kModCtrl, alt ? -1 : c);
  if (c >= 1 && c <= 26) return Key(kKeyA + c - 1, mods | kModCtrl, alt ? -1 : c);
  if (c == 0 || c < 32) return;
  int key = 0;
  if (c >= 'a' && c <= 'z') key = kKeyA + c - 'a';
  else if (c >= 'A' && c <= 'Z') { key = c; mods |= kModShift; }
  else if (c >= '0' && c <= '9') key = c;
  else if (c == ' ') key = kKeySpace;
  if (alt) {
    if (key) Key(key, mods);
    return;
  }
  WindowEvent e;
  e.type = WindowEventType::kChar;
  e.ch = c;
  e.mods = mods;
  gEvents.push_back(e);
}

// Length of the UTF-8 sequence that starts with b (1 for a stray byte).
size_t Utf8Length(unsigned char b) {
  if (b >= 0xF0 && b < 0xF8) return 4;
  if (b >= 0xE0) return b < 0xF0 ? 3 : 1;
  if (b >= 0xC0) return 2;
  return 1;
}

// Turns the bytes read into events; incomplete sequences wait a moment for
// their rest, and a lone ESC is the ESC key.
void Parse() {
  while (!gIn.empty()) {
    unsigned char b = static_cast<unsigned char>(gIn[0]);
    if (b == 27) {
      if (gIn.size() == 1 && !ReadInput(30)) {
        gIn.erase(0, 1);
        Key(kKeyEscape, 0, 27);
        continue;
      }
      if (gIn.size() == 1) continue;
      char next = gIn[1];
      if (next == '[' && gIn.size() >= 3 && gIn[2] == '[') {
        // The Linux console's F1 to F5: ESC [ [ A to E.
        if (gIn.size() < 4 && ReadInput(30)) continue;
        if (gIn.size() >= 4 && gIn[3] >= 'A' && gIn[3] <= 'E') Key(kKeyF1 + (gIn[3] - 'A'), 0);
        gIn.erase(0, std::min<size_t>(4, gIn.size()));
        continue;
      }
      if (next == '[' || next == 'O') {
        size_t end = 2;
        while (end < gIn.size() && !(gIn[end] >= 0x40 && gIn[end] <= 0x7E)) ++end;
        if (end >= gIn.size()) {
          if (gIn.size() < 16 && ReadInput(30)) continue;
          gIn.erase(0, 2);  // a broken sequence: dropped
          continue;
        }
        Sequence(next, gIn.substr(2, end - 2), gIn[end]);
        gIn.erase(0, end + 1);
        continue;
      }
      if (next == 27) {
        gIn.erase(0, 1);
        Key(kKeyEscape, 0, 27);
        continue;
      }
      size_t length = Utf8Length(static_cast<unsigned char>(next));
      if (gIn.size() < 1 + length && ReadInput(30)) continue;
      std::string latin1 = Utf8ToLatin1(gIn.substr(1, length));
      gIn.erase(0, 1 + length);
      for (unsigned char c : latin1) Character(c, true);
      continue;
    }
    size_t length = Utf8Length(b);
    if (gIn.size() < length && ReadInput(30)) continue;
    std::string latin1 = Utf8ToLatin1(gIn.substr(0, length));
    gIn.erase(0, std::min(length, gIn.size()));
    for (unsigned char c : latin1) Character(c, false);
  }
}

void DrainWakePipe() {
  char buffer[64];
  while (gWakePipe[0] >= 0 && read(gWakePipe[0], buffer, sizeof buffer) > 0) {
  }
}

bool TerminalPoll(WindowEvent* event) {
  if (gEvents.empty()) {
    Flush();
    if (gResized) {
      gResized = 0;
      MeasureTerminal();
      gOut += "\x1b[0m\x1b[2J";
      gLastFg = gLastBg = 0xFFFFFFFF;
      WindowEvent e;
      e.type = WindowEventType::kPaint;
      gEvents.push_back(e);
    }
    while (gOpen && ReadInput(0)) {
    }
    Parse();
  }
  if (gEvents.empty()) return false;
  *event = gEvents.front();
  gEvents.pop_front();
  return true;
}

void TerminalWait(int timeout_ms) {
  Flush();
  if (!gEvents.empty() || !gIn.empty()) return;
  // A hung-up terminal is always readable: then only the wake-up counts.
  pollfd p[2] = {{gHungUp ? -1 : 0, POLLIN, 0}, {gWakePipe[0], POLLIN, 0}};
  poll(p, gWakePipe[0] >= 0 ? 2 : 1, timeout_ms);
  DrainWakePipe();
}

void TerminalWake() {
  if (gWakePipe[1] < 0) return;
  char c = 'w';
  ssize_t ignored = write(gWakePipe[1], &c, 1);
  (void)ignored;
}

const WindowBackend kTerminal = {
    "terminal",         TerminalWorkArea,     TerminalOpen,      TerminalClose,
    TerminalTitle,      TerminalDrawRun,      TerminalScrollUp,  TerminalShowCaret,
    TerminalHideCaret,  TerminalDrawImage,    TerminalDrawStretched, TerminalReadPixels,
    TerminalPoll,         TerminalWait,      TerminalWake, false,
};
}  // namespace

const WindowBackend* TerminalWindowBackend() { return &kTerminal; }

std::vector<WindowEvent> ParseTerminalInput(const std::string& bytes) {
  std::deque<WindowEvent> kept;
  kept.swap(gEvents);
  std::string keptIn;
  keptIn.swap(gIn);
  gParseOnly = true;
  gIn = bytes;
  Parse();
  gParseOnly = false;
  std::vector<WindowEvent> events(gEvents.begin(), gEvents.end());
  gEvents.swap(kept);
  gIn.swap(keptIn);
  return events;
}
