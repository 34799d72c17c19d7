// The console window: the 80 x 25 screen buffer, its painting through the
// window backend, the window procedure and the end of the program.
#include "console/console.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "console/keyboard.h"
#include "console/picture.h"
#include "console/video.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "speech/sounds.h"

namespace {
unsigned char gChars[kScreenRows][kScreenColumns];
unsigned char gAttrs[kScreenRows][kScreenColumns];
int gColumn = 0, gRow = 0;
unsigned char gAttr = 0x07;
bool gCreated = false;
bool gFocused = false;
bool gReading = false;
bool gExitHookInstalled = false;
// The changed columns of the current row not painted yet.
int gSpanFirst = 0, gSpanEnd = 0;

WaveDoneHandler gWaveDone = nullptr;
MouseHandler gMouse = nullptr;

void ExitProcess(int code) { std::exit(code); }
void (*gExit)(int) = ExitProcess;

constexpr uint32_t kColourCodes[16] = {
    0x000000, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0x8E008E, 0x442222, 0xC0C0C0,
    0x808080, 0x8080FF, 0x80FF80, 0x80FFFF, 0xFF8080, 0xFF80FF, 0xFFFF00, 0xFFFFFF,
};

void PaintSpan(int first, int end, int row) {
  if (first >= end) return;
  int c = first;
  while (c < end) {
    unsigned char attr = gAttrs[row][c];
    int runEnd = c + 1;
    while (runEnd < end && gAttrs[row][runEnd] == attr) ++runEnd;
    DrawRun(c, row, reinterpret_cast<const char*>(&gChars[row][c]), runEnd - c, ColourRgb(attr & 0x0F),
            ColourRgb(attr >> 4));
    c = runEnd;
  }
}

void PaintPicture() {
  const Picture* p = CurrentPicture();
  if (p && !p->pixels.empty()) DrawImage(p->x, p->y, p->width, p->height, p->pixels.data());
}

void PaintAll() {
  for (int r = 0; r < kScreenRows; ++r) PaintSpan(0, kScreenColumns, r);
  PaintPicture();
  if (gReading && gFocused) CaretOn();
}

void FlushSpan() {
  PaintSpan(gSpanFirst, gSpanEnd, gRow);
  gSpanFirst = gSpanEnd = gColumn;
}

void Widen(int column) {
  if (gSpanFirst >= gSpanEnd) {
    gSpanFirst = column;
    gSpanEnd = column + 1;
    return;
  }
  if (column < gSpanFirst) gSpanFirst = column;
  if (column + 1 > gSpanEnd) gSpanEnd = column + 1;
}

void FillRow(int row) {
  std::memset(gChars[row], ' ', kScreenColumns);
  std::memset(gAttrs[row], gAttr, kScreenColumns);
}

void NewLine() {
  FlushSpan();
  if (gRow < kScreenRows - 1) {
    ++gRow;
    gSpanFirst = gSpanEnd = gColumn;
    return;
  }
  std::memmove(gChars[0], gChars[1], sizeof gChars[0] * (kScreenRows - 1));
  std::memmove(gAttrs[0], gAttrs[1], sizeof gAttrs[0] * (kScreenRows - 1));
  FillRow(kScreenRows - 1);
  // Moving the pixels is gentler on the eye; it needs the window in front.
  if (!(Video().smoothScroll && gFocused && ScrollUpOneRow(kScreenRows, ColourRgb(gAttr >> 4))))
    PaintAll();
  gSpanFirst = gSpanEnd = gColumn;
}

void ClearBuffer() {
  for (int r = 0; r < kScreenRows; ++r) FillRow(r);
  gColumn = gRow = 0;
  gSpanFirst = gSpanEnd = 0;
}

// The backend's input becomes the window's messages.
void PollInput() {
  WindowEvent e;
  while (PollWindowEvent(&e)) {
    intptr_t mouse = (static_cast<intptr_t>(e.y & 0xFFFF) << 16) | (e.x & 0xFFFF);
    switch (e.type) {
      case WindowEventType::kKeyDown:
        PostMessage((e.mods & kModAlt) && !(e.mods & kModCtrl) ? kMsgSysKeyDown : kMsgKeyDown,
                    static_cast<uintptr_t>(e.key), e.mods);
        break;
      case WindowEventType::kKeyUp: PostMessage(kMsgKeyUp, static_cast<uintptr_t>(e.key), e.mods); break;
      case WindowEventType::kChar: PostMessage(kMsgChar, static_cast<uintptr_t>(e.ch & 0xFF), e.mods); break;
      case WindowEventType::kFocusIn: PostMessage(kMsgSetFocus); break;
      case WindowEventType::kFocusOut: PostMessage(kMsgKillFocus); break;
      case WindowEventType::kPaint: PostMessage(kMsgPaint); break;
      case WindowEventType::kClose: PostMessage(kMsgClose); break;
      case WindowEventType::kRightDown: PostMessage(kMsgRightDown, 0, mouse); break;
      case WindowEventType::kMouseMove: PostMessage(kMsgMouseMove, 0, mouse); break;
      case WindowEventType::kRightUp: PostMessage(kMsgRightUp, 0, mouse); break;
    }
  }
}
void WaitInput(int timeout_ms) { WaitWindowEvent(timeout_ms); }
void WakeInput() { WakeWindow(); }
const EventSource kInput = {PollInput, WaitInput, WakeInput};

[[noreturn]] void EndWith(int code) {
  gExit(code);
  std::exit(code);  // an exit action that returns still ends the program
}

void QuitAction() { AbortConsole(); }

// Asked to end from outside (SIGTERM, SIGHUP, SIGINT): the sound stops, the
// window closes and the terminal is put back; the exit status is the shell's
// for that signal.
[[noreturn]] void EndBySignal(int sig) {
  CutSpeech();  // no waiting for the speech to end: the user wants out now
  if (gCreated) {
    DiscardKeys();
    CloseWindow();
    gCreated = false;
  }
  EndWith(128 + sig);
}

void WindowProcedure(const Message& m) {
  switch (m.code) {
    case kMsgSetFocus:
      gFocused = true;
      if (gReading) CaretOn();
      break;
    case kMsgKillFocus:
      gFocused = false;
      if (gReading) CaretOff();
      break;
    case kMsgPaint: PaintAll(); break;
    case kMsgClose: DoneConsole();
    case kMsgKeyDown:
    case kMsgSysKeyDown:
      if (!HandleKeyDown(static_cast<int>(m.wparam), static_cast<unsigned>(m.lparam), m.code == kMsgSysKeyDown) &&
          m.wparam == kKeyF1 + 3 && (m.lparam & kModAlt))
        DoneConsole();  // Alt+F4 closes the window, as the platform does
      break;
    case kMsgKeyUp: HandleKeyUp(static_cast<int>(m.wparam), static_cast<unsigned>(m.lparam)); break;
    case kMsgChar: HandleChar(static_cast<int>(m.wparam), static_cast<unsigned>(m.lparam)); break;
    case kMsgRightDown:
    case kMsgMouseMove:
    case kMsgRightUp:
      if (gMouse) gMouse(m);
      break;
    case kMsgWaveDone:
      if (gWaveDone) gWaveDone(m);
      break;
    case kMsgEndSignal: EndBySignal(static_cast<int>(m.wparam));
    default: break;  // 1123 and 2980 only wake a waiter
  }
}

// Any other way out leaves the window marked as finished, and a terminal
// as it was found.
void AtProgramEnd() {
  if (!gCreated) return;
  SetCheckBreak(false);
  SetWindowTitle("Programa terminado");
  CloseWindow();
  gCreated = false;
}

std::string ProgramFileName() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "zelnar";
  std::string s(path, static_cast<size_t>(n));
  size_t slash = s.rfind('/');
  if (slash != std::string::npos) s.erase(0, slash + 1);
  return s.substr(0, 80);
}
}  // namespace

void SetWaveDoneHandler(WaveDoneHandler handler) { gWaveDone = handler; }
void SetMouseHandler(MouseHandler handler) { gMouse = handler; }
void SetConsoleExitAction(void (*action)(int)) { gExit = action ? action : ExitProcess; }

uint32_t ColourRgb(int index) {
  unsigned code = Video().palette[index & 0x0F];
  return code < 16 ? kColourCodes[code] : 0x000000;
}

void InitConsole() {
  if (gCreated) return;
  SetMessageHandler(WindowProcedure);
  SetEventSource(&kInput);
  SetQuitAction(QuitAction);
  CatchEndSignals();
  if (!gMouse) SetMouseHandler(MagnifierMessage);  // the right button magnifies
  if (!gExitHookInstalled) {
    std::atexit(AtProgramEnd);
    gExitHookInstalled = true;
  }
  int workWidth = 0, workHeight = 0;
  WorkArea(&workWidth, &workHeight);
  ReadVideoSettings(workWidth, workHeight);
  gAttr = Video().attribute;
  WindowSetup setup;
  setup.title = ProgramFileName();
  setup.fontFace = Video().fontFace;
  setup.cellWidth = Video().fontWidth;
  setup.cellHeight = Video().fontHeight;
  setup.maximised = Video().maximised;
  setup.smoothScroll = Video().smoothScroll;
  OpenWindow(setup);
  ClearBuffer();
  gCreated = true;
  gFocused = false;
  PaintAll();
  SetBrailleMode(Video().brailleMode);
}

void WriteText(const char* bytes, int count) {
  InitConsole();
  gSpanFirst = gSpanEnd = gColumn;
  for (int i = 0; i < count; ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b == 7) {
      PlayBell();
    } else if (b == 8) {
      if (gColumn > 0) {
        --gColumn;
        gChars[gRow][gColumn] = ' ';
        gAttrs[gRow][gColumn] = gAttr;
        Widen(gColumn);
      }
    } else if (b == 10) {
      NewLine();
      gColumn = 0;
      gSpanFirst = gSpanEnd = 0;
    } else if (b == 13) {
      gColumn = 0;
    } else if (b >= 32) {
      if (gColumn == kScreenColumns) {  // the deferred wrap
        gColumn = 0;
        NewLine();
        gSpanFirst = gSpanEnd = 0;
      }
      gChars[gRow][gColumn] = b;
      gAttrs[gRow][gColumn] = gAttr;
      Widen(gColumn);
      ++gColumn;
    }
  }
  PaintSpan(gSpanFirst, gSpanEnd, gRow);
  gSpanFirst = gSpanEnd = gColumn;
}

void Write(std::string_view text) {
  WriteText(text.data(), static_cast<int>(text.size()));
  PumpMessages();
}
void WriteLn(std::string_view text) {
  std::string line(text);
  line += "\r\n";
  Write(line);
}
void FlushOutput() { PumpMessages(); }

void ClearScreen() {
  InitConsole();
  ClearBuffer();
  PaintAll();
}

void MoveCursor(int column, int row) {
  InitConsole();
  gColumn = column < 1 ? 0 : column > kScreenColumns ? kScreenColumns - 1 : column - 1;
  gRow = row < 1 ? 0 : row > kScreenRows ? kScreenRows - 1 : row - 1;
  gSpanFirst = gSpanEnd = gColumn;
}

int CursorColumn() { InitConsole(); return gColumn + 1; }
int CursorRow() { InitConsole(); return gRow + 1; }

void SetForeground(int colour) {
  InitConsole();
  if (Video().coloursEnabled) gAttr = static_cast<unsigned char>((gAttr & 0xF0) | (colour & 0x0F));
}

void SetBackground(int colour) {
  InitConsole();
  if (Video().coloursEnabled) gAttr = static_cast<unsigned char>(((colour << 4) | (gAttr & 0x0F)) & 0xFF);
}

void RestoreColours() {
  InitConsole();
  gAttr = Video().attribute;
}

void HideText() { SetForeground(CurrentAttribute() >> 4); }

unsigned char CurrentAttribute() { InitConsole(); return gAttr; }
void SetCurrentAttribute(unsigned char attribute) { InitConsole(); gAttr = attribute; }

void ConsoleTitle(std::string_view title) {
  InitConsole();
  while (!title.empty() && static_cast<unsigned char>(title.front()) <= ' ') title.remove_prefix(1);
  while (!title.empty() && static_cast<unsigned char>(title.back()) <= ' ') title.remove_suffix(1);
  std::string text(title.substr(0, 140));
  if (title.size() > 140) text += "...";
  SetWindowTitle(text);
}

void PumpMessages() {
  InitConsole();
  DispatchMessages();
}

void ConsoleDelay(unsigned ms) {
  InitConsole();
  SleepMs(ms & 0xFFFF);
  DispatchMessages();
}

void DoneConsole(int exitCode) {
  if (gCreated) {
    DispatchMessages();
    DiscardKeys();
    CloseWindow();
    gCreated = false;
  }
  EndWith(exitCode);
}

void AbortConsole() {
  if (gReading && gFocused) CaretOff();
  EndWith(255);
}

Cell ReadScreenCell(int column, int row) {
  InitConsole();
  if (column < 1 || column > kScreenColumns || row < 1 || row > kScreenRows) return Cell{' ', 0};
  return Cell{gChars[row - 1][column - 1], gAttrs[row - 1][column - 1]};
}

void WriteScreenCell(int column, int row, Cell c) {
  InitConsole();
  if (column < 1 || column > kScreenColumns || row < 1 || row > kScreenRows) return;
  gChars[row - 1][column - 1] = c.ch;
  gAttrs[row - 1][column - 1] = c.attr;
  PaintSpan(column - 1, column, row - 1);
}

void CaretOn() {
  // Over the enlarged view the caret would mark a cell that is not there.
  if (CurrentMagnifier().active) return;
  ShowCaret(gColumn < kScreenColumns ? gColumn : kScreenColumns - 1, gRow);
}
void CaretOff() { HideCaret(); }

void BeginKeyWait() {
  InitConsole();
  gReading = true;
  if (gFocused) CaretOn();
}

void EndKeyWait() {
  if (gFocused) CaretOff();
  gReading = false;
}

bool ConsoleFocused() { return gFocused; }
bool AwaitingKey() { return gReading; }

void InvalidateConsole() {
  InitConsole();
  PaintAll();
}

void ResetConsole() {
  if (gCreated) CloseWindow();
  gCreated = false;
  gFocused = gReading = false;
  gColumn = gRow = 0;
  gAttr = 0x07;
  gWaveDone = nullptr;
  gMouse = nullptr;
  gExit = ExitProcess;
  ResetKeyboard();
  ResetVideo();
  SetEventSource(nullptr);
  SetMessageHandler(nullptr);
}
