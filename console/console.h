// The program's 80 x 25 text console: screen output, cursor, colours, title,
// message pumping and the end of the program. Positions are 1-based.
#pragma once
#include <string>
#include <string_view>

constexpr int kScreenColumns = 80;
constexpr int kScreenRows = 25;

void InitConsole();
void WriteText(const char* bytes, int count);
// The program's standard output: text goes to the screen at the cursor.
void Write(std::string_view text);
void WriteLn(std::string_view text = {});
// Makes written text visible and pumps messages.
void FlushOutput();
void ClearScreen();
void MoveCursor(int column, int row);
int CursorColumn();
int CursorRow();
void SetForeground(int colour);
void SetBackground(int colour);
void ConsoleTitle(std::string_view title);
void PumpMessages();
void ConsoleDelay(unsigned ms);
[[noreturn]] void DoneConsole();
[[noreturn]] void AbortConsole();

// The window procedure hands each wave-out block-done message (957) here once
// the WAV output has switched the forwarding on.
struct Message;
using WaveDoneHandler = void (*)(const Message&);
void SetWaveDoneHandler(WaveDoneHandler handler);
