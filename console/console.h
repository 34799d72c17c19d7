// The program's 80 x 25 text console: screen output, cursor, colours, title,
// message pumping and the end of the program. Positions are 1-based.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/messages.h"

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
// The user's own colours (CORFUNDO and CORLETRA) back as the current ones.
void RestoreColours();
// What is written next takes the background's colour: there, but not
// readable (a security key). Nothing when the colours are fixed.
void HideText();
void ConsoleTitle(std::string_view title);
void PumpMessages();
void ConsoleDelay(unsigned ms);
// Closes the window and ends the program with the exit status (0 normally).
[[noreturn]] void DoneConsole(int exitCode = 0);
[[noreturn]] void AbortConsole();

// The window procedure hands each wave-out block-done message (957) here once
// the WAV output has switched the forwarding on.
using WaveDoneHandler = void (*)(const Message&);
void SetWaveDoneHandler(WaveDoneHandler handler);

// The window's messages, as the window procedure receives them. Key messages:
// wparam the key number (platform/window.h), lparam the modifier bits;
// character: wparam the Latin-1 code; mouse: lparam packs the client-area
// pixel position (MouseX, MouseY).
constexpr unsigned kMsgSetFocus = 0x0007;
constexpr unsigned kMsgKillFocus = 0x0008;
constexpr unsigned kMsgPaint = 0x000F;
constexpr unsigned kMsgClose = 0x0010;
constexpr unsigned kMsgKeyDown = 0x0100;
constexpr unsigned kMsgKeyUp = 0x0101;
constexpr unsigned kMsgChar = 0x0102;
constexpr unsigned kMsgSysKeyDown = 0x0104;  // a key with Alt and without Ctrl
constexpr unsigned kMsgMouseMove = 0x0200;
constexpr unsigned kMsgRightDown = 0x0204;
constexpr unsigned kMsgRightUp = 0x0205;

// The magnifier's route: right button down, mouse move and right button up
// go to this handler (nothing happens to them without one).
using MouseHandler = void (*)(const Message&);
void SetMouseHandler(MouseHandler handler);

// One cell of the screen buffer: the Latin-1 character and its attribute
// (background in the high four bits, foreground in the low four).
struct Cell {
  unsigned char ch;
  unsigned char attr;
};
// 1-based; a position outside the screen gives a blank in attribute 0.
Cell ReadScreenCell(int column, int row);
// Puts a cell into the buffer and paints it; the cursor does not move.
void WriteScreenCell(int column, int row, Cell c);

// The attribute new text is written with.
unsigned char CurrentAttribute();
// Sets it directly, whatever the colour switch says.
void SetCurrentAttribute(unsigned char attribute);
// The RGB colour (0xRRGGBB) that a colour index (0-15) is drawn with.
uint32_t ColourRgb(int index);

// The caret on the cursor's cell while a key is awaited.
void CaretOn();
void CaretOff();
// Marks that a key is awaited: the caret follows the focus meanwhile.
void BeginKeyWait();
void EndKeyWait();
bool ConsoleFocused();
// Whether the program is waiting for a key at this moment.
bool AwaitingKey();

// Paints the whole window again from the buffer, then the picture.
void InvalidateConsole();

// What ending the program does with its exit code; the default ends the
// process. Tests replace it (it must not return).
void SetConsoleExitAction(void (*action)(int code));
// Back to no window and an empty screen (tests).
void ResetConsole();

inline int MouseX(const Message& m) { return static_cast<int16_t>(m.lparam & 0xFFFF); }
inline int MouseY(const Message& m) { return static_cast<int16_t>((m.lparam >> 16) & 0xFFFF); }
