// A small translator installation for tests: settings naming the letters and
// diphone directories, a diphone database built from named segments, rules,
// exceptions and character files.
#pragma once
#include <map>
#include <string>

#include "tests/support/testenv.h"

class TranslatorInstall {
 public:
  TranslatorInstall();
  ~TranslatorInstall();
  // Segments by upper-case name; written sorted as the index wants them. With
  // none, the index holds one record that no segment name finds.
  void Database(const std::map<std::string, std::string>& segments, const std::string& name = "T");
  void Rules(const std::string& rules, const std::string& exceptions = "");
  // letters/NAME.wav holding `samples` (8-bit mono 11,025 Hz).
  void Letter(const std::string& name, const std::string& samples);
  // The Windows directory's TAVIRO.INI: the directories and `more` lines.
  void Settings(const std::string& more = "");
  const std::string& path() const { return dir_.path(); }
  std::string Letters() const { return dir_.path() + "/letras"; }
  std::string Diphones() const { return dir_.path() + "/dif"; }
 private:
  TempDir dir_;
  ScopedEnv windir_;
};

// Every byte the capture double was given, blocks joined.
std::string CapturedBytes();
int CapturedBlockCount();
