// The MBROLA binding: the library "libmbrola.so" loaded at run time and its
// 23 functions looked up by name. It is looked for in the program's own
// folders first (beside the program; one folder up, where the build keeps
// it for its tests and benchmarks; ../lib/zelnar in an installation), then
// by the system's loader. A library without all 23 functions is not used.
#pragma once
#include <string>

namespace synth::mbrola {

// The 23 functions, null while no library is bound.
extern int (*init_MBR)(char* dbaseName);
extern int (*init_rename_MBR)(char* dbaseName, char* rename, char* clone);
extern int (*write_MBR)(char* buffer);
extern int (*flush_MBR)();
extern int (*read_MBR)(short* buffer, int wanted);
extern int (*readtype_MBR)(char* buffer, int wanted, int type);
extern void (*close_MBR)();
extern int (*reset_MBR)();
extern int (*lastError_MBR)();
extern int (*lastErrorStr_MBR)(char* buffer, int room);
extern void (*setNoError_MBR)(int noError);
extern int (*getNoError_MBR)();
extern void (*setFreq_MBR)(int freq);
extern int (*getFreq_MBR)();
extern void (*setVolumeRatio_MBR)(float ratio);
extern float (*getVolumeRatio_MBR)();
extern int (*getVersion_MBR)(char* buffer, int room);
extern int (*getDatabaseInfo_MBR)(char* buffer, int room, int index);
extern void (*setParser_MBR)(void* parser);
extern void* (*init_Phone)(char* name, float length);
extern void (*reset_Phone)(void* phone);
extern void (*close_Phone)(void* phone);
extern int (*appendf0_Phone)(void* phone, float position, float f0);

// Loads the library from the folders above, then by name; binds the 23
// functions. False (nothing loaded) when no library loads or one lacks a
// function.
bool LoadMbrola();
// The same with one given file.
bool LoadMbrolaFile(const std::string& path);
// Frees the library and forgets its functions; nothing when none is loaded.
void UnloadMbrola();
bool MbrolaLoaded();

}  // namespace synth::mbrola
