#include "platform/spvoice.h"

namespace {
SpVoiceFactory gFactory = nullptr;
}

void SetSpVoiceFactory(SpVoiceFactory factory) { gFactory = factory; }

std::unique_ptr<SpVoice> CreateSpVoice(int code) {
  if (gFactory) return gFactory(code);
  if (code == 5) return CreateEspeakSpVoice();
  if (code == 54) return CreateSpeechdSpVoice();
  return nullptr;
}
