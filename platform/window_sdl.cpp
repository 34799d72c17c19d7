#include "platform/window_backend.h"
bool SdlDisplayAvailable() { return false; }
const WindowBackend* SdlWindowBackend() { return HeadlessWindowBackend(); }
