#include "synth/mbrola.h"

#include <dlfcn.h>

#include "platform/paths.h"

namespace synth::mbrola {

int (*init_MBR)(char*);
int (*init_rename_MBR)(char*, char*, char*);
int (*write_MBR)(char*);
int (*flush_MBR)();
int (*read_MBR)(short*, int);
int (*readtype_MBR)(char*, int, int);
void (*close_MBR)();
int (*reset_MBR)();
int (*lastError_MBR)();
int (*lastErrorStr_MBR)(char*, int);
void (*setNoError_MBR)(int);
int (*getNoError_MBR)();
void (*setFreq_MBR)(int);
int (*getFreq_MBR)();
void (*setVolumeRatio_MBR)(float);
float (*getVolumeRatio_MBR)();
int (*getVersion_MBR)(char*, int);
int (*getDatabaseInfo_MBR)(char*, int, int);
void (*setParser_MBR)(void*);
void* (*init_Phone)(char*, float);
void (*reset_Phone)(void*);
void (*close_Phone)(void*);
int (*appendf0_Phone)(void*, float, float);

namespace {
constexpr const char* kLibrary = "libmbrola.so";
void* gHandle = nullptr;

struct Export {
  const char* name;
  void** slot;
};
template <typename F>
void** Slot(F& f) {
  return reinterpret_cast<void**>(&f);
}
// In the order they are looked up.
const Export kExports[] = {
    {"init_MBR", Slot(init_MBR)},
    {"init_rename_MBR", Slot(init_rename_MBR)},
    {"write_MBR", Slot(write_MBR)},
    {"flush_MBR", Slot(flush_MBR)},
    {"read_MBR", Slot(read_MBR)},
    {"readtype_MBR", Slot(readtype_MBR)},
    {"close_MBR", Slot(close_MBR)},
    {"reset_MBR", Slot(reset_MBR)},
    {"lastError_MBR", Slot(lastError_MBR)},
    {"lastErrorStr_MBR", Slot(lastErrorStr_MBR)},
    {"setNoError_MBR", Slot(setNoError_MBR)},
    {"getNoError_MBR", Slot(getNoError_MBR)},
    {"setFreq_MBR", Slot(setFreq_MBR)},
    {"getFreq_MBR", Slot(getFreq_MBR)},
    {"setVolumeRatio_MBR", Slot(setVolumeRatio_MBR)},
    {"getVolumeRatio_MBR", Slot(getVolumeRatio_MBR)},
    {"getVersion_MBR", Slot(getVersion_MBR)},
    {"getDatabaseInfo_MBR", Slot(getDatabaseInfo_MBR)},
    {"setParser_MBR", Slot(setParser_MBR)},
    {"init_Phone", Slot(init_Phone)},
    {"reset_Phone", Slot(reset_Phone)},
    {"close_Phone", Slot(close_Phone)},
    {"appendf0_Phone", Slot(appendf0_Phone)},
};

bool Bind(void* handle) {
  if (!handle) return false;
  gHandle = handle;
  for (const Export& e : kExports) {
    *e.slot = dlsym(handle, e.name);
    if (!*e.slot) {
      UnloadMbrola();
      return false;
    }
  }
  return true;
}
}  // namespace

bool LoadMbrolaFile(const std::string& path) {
  UnloadMbrola();
  return Bind(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
}

bool LoadMbrola() {
  const std::string exe = ExecutableDir();
  for (const std::string& folder : {exe, exe + "/..", exe + "/../lib/zelnar"})
    if (FileExists(folder + "/" + kLibrary)) return LoadMbrolaFile(folder + "/" + kLibrary);
  return LoadMbrolaFile(kLibrary);  // no slash: the system's loader searches
}

void UnloadMbrola() {
  for (const Export& e : kExports) *e.slot = nullptr;
  if (gHandle) dlclose(gHandle);
  gHandle = nullptr;
}

bool MbrolaLoaded() { return gHandle != nullptr; }

}  // namespace synth::mbrola
