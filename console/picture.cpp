// Interim picture: no drawing until the window lands.
#include "console/picture.h"

#include "platform/paths.h"

namespace { bool gLoaded = false; }
bool LoadPicture(std::string_view path) { return gLoaded = FileExists(path); }
void ShowPicture(int, int) {}
void RemovePicture() { gLoaded = false; }
const Picture* CurrentPicture() { return nullptr; }
