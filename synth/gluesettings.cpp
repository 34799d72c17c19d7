#include "synth/gluesettings.h"

#include "app/settings.h"
#include "synth/minireg.h"

namespace synth {
namespace {
SynthFiles gFiles;
}

void InitSynthGlue() {
  SynthFiles f;
  f.database = ReadSetting("DAVURIDI", "MBROLA_DB");
  f.directory = ReadSetting("DAVURIDI", "DIR");
  f.base = ReadSetting("DAVURIDI", "BASE");
  if (f.database.empty()) f.database = "br4";
  if (f.directory.empty()) {
    // The registry holds the database file's full path; its folder is the
    // data directory. A value too short to hold the name "br4" says nothing.
    std::string path;
    if (ReadRegistryString(kLocalMachine, "SOFTWARE\\TCTS\\Mbrola\\databases\\BR4\\", path) && path.size() > 3)
      f.directory = path.substr(0, path.size() - 3);
    else
      f.directory = "\\kelmar\\davuridi\\";
  }
  if (f.base.empty()) f.base = "portug";
  if (f.directory.back() != '\\') f.directory += '\\';
  const std::string stem = f.directory + f.base;
  f.rules = stem + ".nrl";
  f.exceptions = stem + ".exc";
  f.abbreviations = stem + ".abr";
  f.prosody = stem + ".pro";
  f.diphones = stem + ".dfn";
  gFiles = f;
}

const SynthFiles& SynthGlueFiles() { return gFiles; }

}  // namespace synth
