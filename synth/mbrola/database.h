// The diphone voice database of our MBROLA library: reading it (with every
// offset checked, so a damaged file is refused, never read past) and writing
// it (the voice builder). The format is described in README.md beside this
// file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mbr {

// One diphone: the samples from the middle of its left phoneme to the middle
// of its right one, kept with some context on both sides so that grains near
// the cuts have whole periods to take.
struct Diphone {
  std::string left, right;  // phoneme names
  uint32_t first = 0;       // first sample in Database::samples (context included)
  uint32_t count = 0;       // samples held, context included
  uint32_t begin = 0;       // the cut in the left phoneme, relative to first
  uint32_t boundary = 0;    // where the left phoneme ends and the right begins
  uint32_t end = 0;         // the cut in the right phoneme (begin <= boundary <= end <= count)
  uint32_t firstMark = 0;   // first pitch mark in Database::marks
  uint32_t markCount = 0;   // pitch marks of the voiced stretches, ascending, relative to first
};

struct Database {
  uint32_t rate = 16000;
  std::string info;  // one line that says what the voice is
  std::vector<Diphone> diphones;
  std::vector<uint32_t> marks;
  std::vector<int16_t> samples;
};

// The file's bytes -> database; false with `error` set when the bytes are not
// a whole, consistent database.
bool ParseDatabase(const std::string& bytes, Database& db, std::string& error);
bool LoadDatabase(const std::string& path, Database& db, std::string& error);
std::string EncodeDatabase(const Database& db);

}  // namespace mbr
