// The desktop window: SDL2 with SDL2_ttf glyphs from the face fontconfig
// finds. Everything is drawn into a canvas of 80 x 25 cells that is shown on
// the window when the program next looks for input.
#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <strings.h>

#include "platform/latin1.h"
#include "platform/window_backend.h"

namespace {
bool gVideoReady = false;
std::atomic<bool> gWakeable{false};
Uint32 gWakeEvent = 0;
SDL_Window* gWindow = nullptr;
SDL_Surface* gCanvas = nullptr;
TTF_Font* gFont = nullptr;
SDL_Surface* gGlyphs[256] = {};
int gCw = 13, gCh = 28, gAscent = 22;
bool gDirty = false;
bool gCaret = false;
int gCaretColumn = 0, gCaretRow = 0;
Uint32 gLastPresent = 0;

bool InitVideo() {
  if (gVideoReady) return true;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  // Drivers that show nothing to anyone are no window for a user.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
      std::strcmp(driver, "evdev") == 0) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  // On X the window is a software framebuffer (shared memory): by default SDL
  // would draw it as a texture and load the whole OpenGL stack, tens of
  // megabytes, to do so. Other drivers may have no software framebuffer.
  if (std::strcmp(driver, "x11") == 0) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  gWakeEvent = SDL_RegisterEvents(1);
  gVideoReady = true;
  gWakeable = true;
  return true;
}

// The font file fontconfig gives for a face; empty when the face it finds is
// another family (the caller then tries the fallback).
std::string FontFile(const std::string& face, bool anyFamily) {
  if (!FcInit()) return {};
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(face.c_str()));
  if (!pattern) return {};
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  std::string file;
  if (match) {
    FcChar8* path = nullptr;
    FcChar8* family = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
        FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
        (anyFamily || strcasecmp(reinterpret_cast<const char*>(family), face.c_str()) == 0))
      file = reinterpret_cast<const char*>(path);
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return file;
}

// The largest size whose line fits the cell height.
TTF_Font* OpenSized(const std::string& file, int cellHeight) {
  for (int size = std::max(cellHeight, 4); size >= 4; --size) {
    TTF_Font* font = TTF_OpenFont(file.c_str(), size);
    if (!font) return nullptr;
    if (TTF_FontHeight(font) <= cellHeight) return font;
    TTF_CloseFont(font);
  }
  return nullptr;
}

TTF_Font* OpenFont(const std::string& face, int cellHeight) {
  for (auto [name, any] : {std::pair<std::string, bool>{face, false}, {"DejaVu Sans Mono", false},
                           {"monospace", true}}) {
    std::string file = FontFile(name, any);
    if (file.empty()) continue;
    if (TTF_Font* font = OpenSized(file, cellHeight)) return font;
  }
  return nullptr;
}

// One white glyph with its alpha, exactly one cell in size; without a font a
// block, so that text is never invisible.
SDL_Surface* Glyph(unsigned char c) {
  if (gGlyphs[c]) return gGlyphs[c];
  SDL_Surface* cell = SDL_CreateRGBSurfaceWithFormat(0, gCw, gCh, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!cell) return nullptr;
  SDL_FillRect(cell, nullptr, SDL_MapRGBA(cell->format, 255, 255, 255, 0));
  if (gFont) {
    SDL_Surface* g = TTF_RenderGlyph_Blended(gFont, c, SDL_Color{255, 255, 255, 255});
    if (g) {
      int advance = g->w;
      int minx, maxx, miny, maxy;
      if (TTF_GlyphMetrics(gFont, c, &minx, &maxx, &miny, &maxy, &advance) != 0) advance = g->w;
      SDL_SetSurfaceBlendMode(g, SDL_BLENDMODE_NONE);
      // Wider glyphs are squeezed into the cell, as a font made to the
      // cell's width would draw them; narrower ones are centred.
      SDL_Rect to{0, 0, gCw, std::min(g->h, gCh)};
      if (g->w <= gCw) to = SDL_Rect{(gCw - g->w) / 2, 0, g->w, std::min(g->h, gCh)};
      SDL_BlitScaled(g, nullptr, cell, &to);
      SDL_FreeSurface(g);
    }
  } else if (c > ' ') {
    SDL_Rect block{1, gCh / 4, gCw - 2, gCh / 2};
    SDL_FillRect(cell, &block, SDL_MapRGBA(cell->format, 255, 255, 255, 255));
  }
  SDL_SetSurfaceBlendMode(cell, SDL_BLENDMODE_BLEND);
  gGlyphs[c] = cell;
  return cell;
}

Uint32 Rgb(uint32_t rgb) {
  return SDL_MapRGB(gCanvas->format, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void Present() {
  if (!gWindow || !gCanvas) return;
  SDL_Surface* screen = SDL_GetWindowSurface(gWindow);
  if (!screen) return;
  SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
  SDL_BlitSurface(gCanvas, nullptr, screen, nullptr);
  if (gCaret && SDL_LockSurface(screen) == 0) {
    // The caret inverts the two pixel rows on the cell's base line.
    int x0 = gCaretColumn * gCw, y0 = gCaretRow * gCh + gAscent;
    for (int y = y0; y < y0 + 2 && y < screen->h; ++y)
      for (int x = x0; x < x0 + gCw && x < screen->w; ++x) {
        Uint8* p = static_cast<Uint8*>(screen->pixels) + y * screen->pitch + x * screen->format->BytesPerPixel;
        if (screen->format->BytesPerPixel == 4) *reinterpret_cast<Uint32*>(p) ^= 0x00FFFFFF;
      }
    SDL_UnlockSurface(screen);
  }
  SDL_UpdateWindowSurface(gWindow);
  gDirty = false;
  gLastPresent = SDL_GetTicks();
}

void SdlWorkArea(int* width, int* height) {
  *width = 1024;
  *height = 734;
  SDL_Rect r;
  if (InitVideo() && SDL_GetDisplayUsableBounds(0, &r) == 0 && r.w > 0 && r.h > 0) {
    *width = r.w;
    *height = r.h;
  }
}

bool SdlOpen(const WindowSetup& setup, int* cw, int* ch, int* ascent) {
  if (!InitVideo()) return false;
  if (!TTF_WasInit() && TTF_Init() != 0) return false;
  gCw = std::clamp(setup.cellWidth, 2, 200);
  gCh = std::clamp(setup.cellHeight, 4, 300);
  gFont = OpenFont(setup.fontFace, gCh);
  gAscent = gFont ? std::min(TTF_FontAscent(gFont), gCh - 2) : gCh * 3 / 4;
  // No larger than the screen: the grid's right or bottom cells are then
  // out of view, as on the desktop the settings were made for.
  SDL_Rect screen;
  int maxW = 80 * gCw, maxH = 25 * gCh;
  if (SDL_GetDisplayBounds(0, &screen) == 0) {
    maxW = std::min(maxW, screen.w);
    maxH = std::min(maxH, screen.h);
  }
  Uint32 flags = SDL_WINDOW_RESIZABLE | (setup.maximised ? SDL_WINDOW_MAXIMIZED : 0);
  gWindow = SDL_CreateWindow(Latin1ToUtf8(setup.title).c_str(), SDL_WINDOWPOS_UNDEFINED,
                             SDL_WINDOWPOS_UNDEFINED, maxW, maxH, flags);
  if (!gWindow) return false;
  SDL_SetWindowMaximumSize(gWindow, maxW, maxH);
  SDL_SetWindowMinimumSize(gWindow, 16 * gCw, 4 * gCh);
  gCanvas = SDL_CreateRGBSurfaceWithFormat(0, 80 * gCw, 25 * gCh, 32, SDL_PIXELFORMAT_RGB888);
  if (!gCanvas) return false;
  SDL_FillRect(gCanvas, nullptr, 0);
  SDL_StartTextInput();
  *cw = gCw;
  *ch = gCh;
  *ascent = gAscent;
  gDirty = true;
  Present();
  return true;
}

void SdlClose() {
  for (SDL_Surface*& g : gGlyphs) {
    if (g) SDL_FreeSurface(g);
    g = nullptr;
  }
  if (gFont) TTF_CloseFont(gFont);
  gFont = nullptr;
  if (gCanvas) SDL_FreeSurface(gCanvas);
  gCanvas = nullptr;
  if (gWindow) SDL_DestroyWindow(gWindow);
  gWindow = nullptr;
  gCaret = false;
}

void SdlTitle(std::string_view latin1) {
  if (gWindow) SDL_SetWindowTitle(gWindow, Latin1ToUtf8(latin1).c_str());
}

void SdlDrawRun(int column, int row, const char* text, int count, uint32_t fg, uint32_t bg) {
  if (!gCanvas) return;
  SDL_Rect run{column * gCw, row * gCh, count * gCw, gCh};
  SDL_FillRect(gCanvas, &run, Rgb(bg));
  for (int i = 0; i < count; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == ' ') continue;
    SDL_Surface* g = Glyph(c);
    if (!g) continue;
    SDL_SetSurfaceColorMod(g, (fg >> 16) & 0xFF, (fg >> 8) & 0xFF, fg & 0xFF);
    SDL_Rect at{(column + i) * gCw, row * gCh, gCw, gCh};
    SDL_BlitSurface(g, nullptr, gCanvas, &at);
  }
  gDirty = true;
}

bool SdlScrollUp(int rows, uint32_t bg) {
  if (!gCanvas || rows < 1 || rows > 25) return false;
  SDL_LockSurface(gCanvas);
  Uint8* pixels = static_cast<Uint8*>(gCanvas->pixels);
  std::memmove(pixels, pixels + gCh * gCanvas->pitch, static_cast<size_t>((rows - 1) * gCh * gCanvas->pitch));
  SDL_UnlockSurface(gCanvas);
  SDL_Rect last{0, (rows - 1) * gCh, gCanvas->w, gCh};
  SDL_FillRect(gCanvas, &last, Rgb(bg));
  gDirty = true;
  return true;
}

void SdlShowCaret(int column, int row) {
  gCaret = true;
  gCaretColumn = column;
  gCaretRow = row;
  gDirty = true;
}

void SdlHideCaret() {
  gCaret = false;
  gDirty = true;
}

SDL_Surface* WrapPixels(int width, int height, const uint32_t* pixels) {
  return SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32, width * 4,
                                            SDL_PIXELFORMAT_RGB888);
}

void SdlDrawImage(int x, int y, int width, int height, const uint32_t* pixels) {
  if (!gCanvas) return;
  SDL_Surface* image = WrapPixels(width, height, pixels);
  if (!image) return;
  SDL_Rect at{x, y, width, height};
  SDL_BlitSurface(image, nullptr, gCanvas, &at);
  SDL_FreeSurface(image);
  gDirty = true;
}

void SdlDrawStretched(int width, int height, const uint32_t* pixels, int sx, int sy, int sw, int sh) {
  if (!gCanvas) return;
  SDL_Surface* image = WrapPixels(width, height, pixels);
  if (!image) return;
  SDL_Rect from{sx, sy, sw, sh};
  SDL_BlitScaled(image, &from, gCanvas, nullptr);
  SDL_FreeSurface(image);
  gDirty = true;
}

bool SdlReadPixels(std::vector<uint32_t>* pixels, int* width, int* height) {
  if (!gCanvas) return false;
  *width = gCanvas->w;
  *height = gCanvas->h;
  pixels->resize(static_cast<size_t>(gCanvas->w) * gCanvas->h);
  SDL_LockSurface(gCanvas);
  for (int y = 0; y < gCanvas->h; ++y) {
    const Uint32* row = reinterpret_cast<const Uint32*>(static_cast<Uint8*>(gCanvas->pixels) + y * gCanvas->pitch);
    for (int x = 0; x < gCanvas->w; ++x) (*pixels)[static_cast<size_t>(y) * gCanvas->w + x] = row[x] & 0xFFFFFF;
  }
  SDL_UnlockSurface(gCanvas);
  return true;
}

int KeyNumber(const SDL_Keysym& k) {
  // Function keys by their place: where the window system turns Ctrl+Alt+F11
  // into a terminal switch, the key's symbol is that switch, not F11.
  if (k.scancode >= SDL_SCANCODE_F1 && k.scancode <= SDL_SCANCODE_F12)
    return kKeyF1 + (k.scancode - SDL_SCANCODE_F1);
  SDL_Keycode c = k.sym;
  if (c >= SDLK_a && c <= SDLK_z) return kKeyA + (c - SDLK_a);
  if (c >= SDLK_0 && c <= SDLK_9) return kKey0 + (c - SDLK_0);
  if (c >= SDLK_F1 && c <= SDLK_F12) return kKeyF1 + (c - SDLK_F1);
  switch (c) {
    case SDLK_BACKSPACE: return kKeyBackspace;
    case SDLK_TAB: return kKeyTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return kKeyEnter;
    case SDLK_ESCAPE: return kKeyEscape;
    case SDLK_SPACE: return kKeySpace;
    case SDLK_PAGEUP: return kKeyPageUp;
    case SDLK_PAGEDOWN: return kKeyPageDown;
    case SDLK_END: return kKeyEnd;
    case SDLK_HOME: return kKeyHome;
    case SDLK_LEFT: return kKeyLeft;
    case SDLK_UP: return kKeyUp;
    case SDLK_RIGHT: return kKeyRight;
    case SDLK_DOWN: return kKeyDown;
    case SDLK_INSERT: return kKeyInsert;
    case SDLK_DELETE: return kKeyDelete;
    case SDLK_PAUSE: return (k.mod & KMOD_CTRL) ? kKeyBreak : kKeyPause;
    case SDLK_CANCEL: return kKeyBreak;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return kKeyShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return kKeyControl;
    case SDLK_LALT:
    case SDLK_RALT: return kKeyAlt;
    default: break;
  }
  // The keypad without Num Lock acts as the cursor keys.
  if (!(k.mod & KMOD_NUM)) {
    switch (c) {
      case SDLK_KP_8: return kKeyUp;
      case SDLK_KP_2: return kKeyDown;
      case SDLK_KP_4: return kKeyLeft;
      case SDLK_KP_6: return kKeyRight;
      case SDLK_KP_7: return kKeyHome;
      case SDLK_KP_1: return kKeyEnd;
      case SDLK_KP_9: return kKeyPageUp;
      case SDLK_KP_3: return kKeyPageDown;
      case SDLK_KP_0: return kKeyInsert;
      case SDLK_KP_PERIOD: return kKeyDelete;
      case SDLK_KP_5: return kKeyCenter;
      default: break;
    }
  }
  return 0;
}

unsigned Mods(Uint16 mod) {
  return ((mod & KMOD_SHIFT) ? kModShift : 0) | ((mod & KMOD_CTRL) ? kModCtrl : 0) |
         ((mod & KMOD_ALT) ? kModAlt : 0);
}

// Characters the platform gives for keys that type no text: Enter, Tab,
// Backspace, ESC and Ctrl with a letter.
int ControlCharacter(int key, unsigned mods) {
  if (mods & kModAlt) return -1;
  if (key == kKeyEnter || key == kKeyBackspace || key == kKeyTab || key == kKeyEscape) return key;
  if ((mods & kModCtrl) && key >= kKeyA && key <= kKeyA + 25) return key - kKeyA + 1;
  return -1;
}

// The symbol of the last key pressed, to tell AltGr text from Alt+key.
SDL_Keycode gLastKeySym = 0;
Uint16 gLastKeyMods = 0;

// Events SDL gives that become more than one window event wait here.
WindowEvent gPending[64];
int gPendingCount = 0;

void Pend(const WindowEvent& e) {
  if (gPendingCount < 64) gPending[gPendingCount++] = e;
}

void Translate(const SDL_Event& ev) {
  WindowEvent e;
  switch (ev.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (ev.type == SDL_KEYDOWN) {
        gLastKeySym = ev.key.keysym.sym;
        gLastKeyMods = ev.key.keysym.mod;
      }
      e.key = KeyNumber(ev.key.keysym);
      e.mods = Mods(ev.key.keysym.mod);
      if (e.key == 0) return;
      e.type = ev.type == SDL_KEYDOWN ? WindowEventType::kKeyDown : WindowEventType::kKeyUp;
      Pend(e);
      if (ev.type == SDL_KEYDOWN) {
        int ch = ControlCharacter(e.key, e.mods);
        if (ch >= 0) {
          e.type = WindowEventType::kChar;
          e.ch = ch;
          Pend(e);
        }
      }
      return;
    }
    case SDL_TEXTINPUT: {
      // The modifiers of the key that typed it (the state now may be later).
      Uint16 state = gLastKeyMods;
      unsigned mods = Mods(state);
      std::string text = Utf8ToLatin1(ev.text.text);
      // Ctrl or Alt with a key types nothing; AltGr (the right Alt of ABNT2
      // and most layouts) types its own characters. A right Alt that is a
      // plain Alt (US layout) gives the key's own letter: that is no text.
      bool altGr = (state & KMOD_RALT) && !(state & (KMOD_LALT | KMOD_CTRL)) && text.size() == 1 &&
                   SDL_tolower(static_cast<unsigned char>(text[0])) != SDL_tolower(gLastKeySym);
      if ((mods & (kModAlt | kModCtrl)) && !altGr) return;
      if (altGr) mods &= ~kModAlt;
      for (unsigned char c : text) {
        e.type = WindowEventType::kChar;
        e.ch = c;
        e.mods = mods;
        Pend(e);
      }
      return;
    }
    case SDL_WINDOWEVENT:
      switch (ev.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED: e.type = WindowEventType::kFocusIn; break;
        case SDL_WINDOWEVENT_FOCUS_LOST: e.type = WindowEventType::kFocusOut; break;
        case SDL_WINDOWEVENT_CLOSE: e.type = WindowEventType::kClose; break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          gDirty = true;
          return;
        default: return;
      }
      Pend(e);
      return;
    case SDL_QUIT:
      e.type = WindowEventType::kClose;
      Pend(e);
      return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (ev.button.button != SDL_BUTTON_RIGHT) return;
      e.type = ev.type == SDL_MOUSEBUTTONDOWN ? WindowEventType::kRightDown : WindowEventType::kRightUp;
      e.x = ev.button.x;
      e.y = ev.button.y;
      Pend(e);
      return;
    case SDL_MOUSEMOTION:
      e.type = WindowEventType::kMouseMove;
      e.x = ev.motion.x;
      e.y = ev.motion.y;
      Pend(e);
      return;
    default: return;
  }
}

bool SdlPoll(WindowEvent* event) {
  if (!gVideoReady) return false;
  while (gPendingCount == 0) {
    SDL_Event ev;
    if (!SDL_PollEvent(&ev)) break;
    Translate(ev);
  }
  if (gPendingCount == 0) {
    // Show what was drawn, but not after every single write.
    if (gDirty && SDL_GetTicks() - gLastPresent >= 15) Present();
    return false;
  }
  *event = gPending[0];
  std::memmove(gPending, gPending + 1, sizeof(WindowEvent) * static_cast<size_t>(--gPendingCount));
  return true;
}

void SdlWait(int timeout_ms) {
  if (!gVideoReady) return;
  if (gDirty) Present();
  if (gPendingCount > 0) return;
  // Wakes at input or at the user event PostMessage pushes; the event stays
  // queued for the next poll. Without a window nothing else can come.
  if (timeout_ms < 0) SDL_WaitEvent(nullptr);
  else SDL_WaitEventTimeout(nullptr, timeout_ms);
  SDL_FlushEvent(gWakeEvent);
}

void SdlWake() {
  if (!gWakeable) return;
  SDL_Event ev;
  SDL_zero(ev);
  ev.type = gWakeEvent;
  SDL_PushEvent(&ev);
}

const WindowBackend kSdl = {
    "sdl",      SdlWorkArea,  SdlOpen,        SdlClose,         SdlTitle,      SdlDrawRun,
    SdlScrollUp, SdlShowCaret, SdlHideCaret,  SdlDrawImage,     SdlDrawStretched, SdlReadPixels,
    SdlPoll,      SdlWait,        SdlWake, true,
};
}  // namespace

const WindowBackend* SdlWindowBackend() { return &kSdl; }

bool SdlDisplayAvailable() {
  if (!InitVideo()) return false;
  return SDL_GetNumVideoDisplays() > 0;
}
