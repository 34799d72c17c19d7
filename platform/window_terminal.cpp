#include "platform/window_backend.h"
const WindowBackend* TerminalWindowBackend() { return HeadlessWindowBackend(); }
