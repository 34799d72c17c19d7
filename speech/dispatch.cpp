// Interim dispatch: no engine is installed yet, so none starts and the
// translator speaks everything.
#include "speech/dispatch.h"

bool EngineStart(int, int, int, std::string_view, int) { return false; }
void EngineFinish() {}
void EngineSpeak(std::string_view) {}
bool EngineBusy(bool) { return false; }
void EngineStop() {}
