#include "platform/waveout.h"

#include <cstdlib>
#include <cstring>

struct WaveDevice {
  const WaveBackend* backend = nullptr;
  bool open = false;
};

namespace {
WaveDevice gDevice;
const WaveBackend* gInstalled = nullptr;
const WaveBackend* gChosen = nullptr;

const WaveBackend& ChooseByEnvironment() {
  const char* v = std::getenv("ZELNAR_AUDIO");
  std::string s = v ? v : "";
  if (s == "null") return NullWaveBackend();
  if (s.rfind("wav:", 0) == 0 && s.size() > 4) return WavFileWaveBackend(s.substr(4));
  return SdlWaveBackend();
}
}  // namespace

const WaveBackend& CurrentWaveBackend() {
  if (gInstalled) return *gInstalled;
  if (!gChosen) gChosen = &ChooseByEnvironment();
  return *gChosen;
}

void SetWaveBackend(const WaveBackend* backend) {
  gInstalled = backend;
  gChosen = nullptr;
}

int WaveOutOpen(WaveDevice** device, const WaveFormat& format, WaveNotify notify) {
  if (!device) return kWaveError;
  if (gDevice.open) return kWaveAllocated;  // one device, already taken
  if (format.sampleRate <= 0 || (format.bits != 8 && format.bits != 16) ||
      format.channels < 1 || format.channels > 2)
    return kWaveError;
  const WaveBackend* b = &CurrentWaveBackend();
  int r = b->open(format, notify);
  if (r != kWaveOk && b == &SdlWaveBackend() && !gInstalled) {
    // No sound card is no reason to stop: go on without sound.
    gChosen = &NullWaveBackend();
    b = gChosen;
    r = b->open(format, notify);
  }
  if (r != kWaveOk) return r;
  gDevice.backend = b;
  gDevice.open = true;
  *device = &gDevice;
  return kWaveOk;
}

int WaveOutPrepareHeader(WaveDevice* device, WaveHeader* header) {
  if (!device || !device->open) return kWaveInvalidHandle;
  if (!header || !header->data) return kWaveError;
  if (device->backend->prepare) {
    int r = device->backend->prepare(header);
    if (r != kWaveOk) return r;
  }
  header->flags = kWaveHeaderPrepared;
  return kWaveOk;
}

int WaveOutWrite(WaveDevice* device, WaveHeader* header) {
  if (!device || !device->open) return kWaveInvalidHandle;
  if (!header || !(header->flags & kWaveHeaderPrepared)) return kWaveError;
  header->flags = (header->flags | kWaveHeaderQueued) & ~kWaveHeaderDone;
  device->backend->write(header);
  return kWaveOk;
}

int WaveOutUnprepareHeader(WaveDevice* device, WaveHeader* header) {
  if (!device || !device->open) return kWaveInvalidHandle;
  if (!header) return kWaveError;
  if (device->backend->unprepare) {
    int r = device->backend->unprepare(header);
    if (r != kWaveOk) return r;
  }
  header->flags &= ~kWaveHeaderPrepared;
  return kWaveOk;
}

int WaveOutReset(WaveDevice* device) {
  if (!device || !device->open) return kWaveInvalidHandle;
  device->backend->reset();
  return kWaveOk;
}

int WaveOutClose(WaveDevice* device) {
  if (!device || !device->open) return kWaveInvalidHandle;
  device->backend->close();
  device->open = false;
  device->backend = nullptr;
  return kWaveOk;
}
