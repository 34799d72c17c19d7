// The recorded-voice translator's files and start-up: its two directories,
// the rules and exceptions files, the diphone database and the speech buffer.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// One letter-to-sound rule: LEFT(MATCH)RIGHT=OUTPUT.
struct TranslatorRule {
  std::string left;    // at most 5 characters
  std::string match;   // at most 5, never empty
  std::string right;   // at most 5
  std::string output;  // at most 11
};

struct WordAlias {
  std::string word;         // at most 255 characters
  std::string replacement;  // at most 255 characters
};

struct IndexRecord {
  std::string name;  // upper case, at most 8 characters
  uint32_t length = 0;
  uint32_t offset = 0;
};

constexpr int kMaxExceptions = 15000;
constexpr int kSpeechBufferSize = 64000;

// 0 ready; 1 a directory, the index or the data file is not available (an
// index without a whole record counts as not available);
// 2 the rules or the exceptions file cannot be opened.
int StartTranslator();
// Releases what StartTranslator took; safe after a failed start.
void EndTranslator();
void SetDiphoneTiming(int cut, int floor, int pause);
// Only the first 8 characters count.
void SetDatabaseName(std::string_view name);
const std::string& DatabaseName();

// Steps of StartTranslator.
bool OpenDiphoneDatabase();
bool LoadTranslatorRules(const std::string& path);
bool LoadTranslatorExceptions(const std::string& path);

// Read by the speaking modules once started; each ends in a backslash.
const std::string& TranslatorLettersDirectory();
const std::string& DiphoneDirectory();

// For the conversion: the rules filed under the character code c (32..95;
// any other code has none) and the exception table sorted by word.
const std::vector<TranslatorRule>& RuleList(int c);
const std::vector<WordAlias>& ExceptionTable();

// For the player.
const std::vector<IndexRecord>& DiphoneIndex();
// The record named key, or nullptr.
const IndexRecord* FindDiphone(std::string_view key);
// Reads up to n bytes at offset of the data file into out; the count read.
size_t ReadDiphoneData(uint32_t offset, size_t n, uint8_t* out);
uint8_t* SpeechBuffer();  // nullptr until started
int SegmentCut();
int SegmentFloor();
int WordPause();

// Back to the state at program start (tests).
void ResetTranslator();
