// Interim console: standard output, until the window lands.
#include "console/console.h"

#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/latin1.h"
#include "platform/messages.h"

void QueueTypedCharacter(unsigned char c);  // keyboard.cpp

namespace {
int gColumn = 0, gRow = 0;

WaveDoneHandler gWaveDone = nullptr;
constexpr unsigned kMsgCharacter = 0x0102;  // a typed character, wparam its code
void WindowProcedure(const Message& m) {
  if (m.code == kMsgWaveDone && gWaveDone) gWaveDone(m);
  if (m.code == kMsgCharacter) QueueTypedCharacter(static_cast<unsigned char>(m.wparam));
}
}  // namespace

void SetWaveDoneHandler(WaveDoneHandler handler) { gWaveDone = handler; }
void InitConsole() { SetMessageHandler(WindowProcedure); }
void WriteText(const char* bytes, int count) {
  std::string s(bytes, static_cast<size_t>(count));
  for (char c : s) {
    if (c == '\n') { gColumn = 0; if (gRow < kScreenRows - 1) ++gRow; }
    else if (c == '\r') gColumn = 0;
    else if (gColumn < kScreenColumns) ++gColumn;
  }
  std::fputs(Latin1ToUtf8(s).c_str(), stdout);
}
void Write(std::string_view text) { WriteText(text.data(), static_cast<int>(text.size())); }
void WriteLn(std::string_view text) { Write(text); Write("\r\n"); }
void FlushOutput() { std::fflush(stdout); PumpMessages(); }
void ClearScreen() { std::fputs("\n", stdout); gColumn = gRow = 0; }
void MoveCursor(int column, int row) {
  gColumn = column < 1 ? 0 : column > kScreenColumns ? kScreenColumns - 1 : column - 1;
  gRow = row < 1 ? 0 : row > kScreenRows ? kScreenRows - 1 : row - 1;
}
int CursorColumn() { return gColumn + 1; }
int CursorRow() { return gRow + 1; }
void SetForeground(int) {}
void SetBackground(int) {}
void ConsoleTitle(std::string_view) {}
void PumpMessages() { InitConsole(); DispatchMessages(); }
void ConsoleDelay(unsigned ms) { SleepMs(ms); PumpMessages(); }
void DoneConsole() { std::fflush(stdout); std::exit(0); }
void AbortConsole() { std::fflush(stdout); std::exit(255); }
