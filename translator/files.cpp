#include "translator/files.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "platform/paths.h"
#include "platform/profile.h"

namespace {
constexpr size_t kRoom = 80;  // the profile reader's room: values keep 79 characters
constexpr size_t kMaxDirectory = 144;

std::string gDatabaseName = "DIFONES2";
int gSegmentCut = 400;
int gSegmentFloor = 0;
int gWordPause = 100;

std::string gLettersDirectory;
std::string gDiphoneDirectory;
std::vector<TranslatorRule> gRules[64];
std::vector<WordAlias> gExceptions;
std::vector<IndexRecord> gIndex;
std::FILE* gData = nullptr;
std::unique_ptr<uint8_t[]> gBuffer;

const std::vector<TranslatorRule> kNoRules;

// Lines of a text file, without their LF or CR LF ends; false when it cannot be read.
bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::FILE* f = std::fopen(ResolvePath(path).c_str(), "rb");
  if (!f) return false;
  std::string all;
  char buf[8192];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) all.append(buf, n);
  std::fclose(f);
  size_t from = 0;
  while (from < all.size()) {
    size_t end = all.find('\n', from);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(from, end - from);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    from = end + 1;
  }
  return true;
}

// The characters of s from `from` up to the first `stop` (or the end), the
// first `keep` of them kept; `from` moves past the stop character.
std::string Part(const std::string& s, size_t& from, char stop, size_t keep, bool& found) {
  size_t end = s.find(stop, from);
  found = end != std::string::npos;
  if (!found) end = s.size();
  std::string part = s.substr(from, std::min(end - from, keep));
  from = found ? end + 1 : s.size();
  return part;
}

bool IsDirectory(const std::string& dir) {
  std::error_code ec;
  return !dir.empty() && std::filesystem::is_directory(ResolvePath(dir), ec);
}

std::string DirectorySetting(const char* key, const char* fallback) {
  std::string dir = GetProfileString("TRADUTOR", key, fallback, kRoom, "TAVIRO.INI");
  if (dir.size() > kMaxDirectory) dir.resize(kMaxDirectory);
  return dir;
}
}  // namespace

void SetDatabaseName(std::string_view name) { gDatabaseName = std::string(name.substr(0, 8)); }
const std::string& DatabaseName() { return gDatabaseName; }

void SetDiphoneTiming(int cut, int floor, int pause) {
  gSegmentCut = cut;
  gSegmentFloor = floor;
  gWordPause = pause;
}

// The directories are tested for existence only, so the process's current
// directory is never touched, whatever the outcome.
bool OpenDiphoneDatabase() {
  gIndex.clear();
  gLettersDirectory = DirectorySetting("dirLetras", "c:\\kelmar\\som\\letras");
  if (!IsDirectory(gLettersDirectory)) return false;
  if (gLettersDirectory.back() != '\\') gLettersDirectory += '\\';
  gDiphoneDirectory = DirectorySetting("DIRDIFONES", "c:\\kelmar\\som\\difones");
  if (!IsDirectory(gDiphoneDirectory)) return false;
  if (gDiphoneDirectory.back() != '\\') gDiphoneDirectory += '\\';

  std::FILE* f = std::fopen(ResolvePath(gDiphoneDirectory + gDatabaseName + ".IND").c_str(), "rb");
  if (!f) return false;
  std::vector<uint8_t> bytes;
  uint8_t buf[8192];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  std::fclose(f);
  size_t count = bytes.size() / 15;  // extra bytes after the last whole record are ignored
  // An index without a single record is a voice that cannot say anything:
  // as unusable as a missing one.
  if (count == 0) return false;
  gIndex.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* r = bytes.data() + 15 * i;
    IndexRecord rec;
    rec.name.assign(reinterpret_cast<const char*>(r + 1), std::min<size_t>(r[0], 8));
    rec.length = uint32_t(r[9]) | uint32_t(r[10]) << 8;
    rec.offset = uint32_t(r[11]) | uint32_t(r[12]) << 8 | uint32_t(r[13]) << 16 | uint32_t(r[14]) << 24;
    gIndex.push_back(std::move(rec));
  }
  if (gData) std::fclose(gData);
  gData = std::fopen(ResolvePath(gDiphoneDirectory + gDatabaseName + ".DIF").c_str(), "rb");
  return gData != nullptr;
}

bool LoadTranslatorRules(const std::string& path) {
  for (auto& list : gRules) list.clear();
  gExceptions.clear();
  std::vector<std::string> lines;
  if (!ReadLines(path, lines)) return false;
  for (const std::string& line : lines) {
    TranslatorRule rule;
    bool found = false;
    size_t at = 0;
    rule.left = Part(line, at, '(', 5, found);
    if (found) rule.match = Part(line, at, ')', 5, found);
    if (found) rule.right = Part(line, at, '=', 5, found);
    if (found) rule.output = Part(line, at, '|', 11, found);
    // A rule that consumes nothing, or one filed under a character that has
    // no list, could never be used: such lines are skipped.
    if (rule.match.empty()) continue;
    unsigned char c = static_cast<unsigned char>(rule.match[0]);
    if (c < 32 || c > 95) continue;
    // Each rule joins the list of its own first character, in file order,
    // even in a file whose groups are not on consecutive lines.
    gRules[c - 32].push_back(std::move(rule));
  }
  return true;
}

bool LoadTranslatorExceptions(const std::string& path) {
  gExceptions.clear();
  std::vector<std::string> lines;
  if (!ReadLines(path, lines)) return false;
  for (std::string& line : lines) {
    if (static_cast<int>(gExceptions.size()) >= kMaxExceptions) break;
    if (line.size() > 255) line.resize(255);  // the rest of a longer line is skipped
    if (line.empty()) continue;
    // The guard always follows the whole line, so a long line splits
    // within itself as a short one does.
    line += "|=|";
    size_t eq = line.find('=');
    size_t bar = line.find('|', eq + 1);
    WordAlias alias;
    alias.word = line.substr(0, eq);  // a line of 255 without "=" keeps its "|": it never matches
    alias.replacement = line.substr(eq + 1, bar - eq - 1);
    gExceptions.push_back(std::move(alias));
  }
  std::stable_sort(gExceptions.begin(), gExceptions.end(),
                   [](const WordAlias& a, const WordAlias& b) { return a.word < b.word; });
  return true;
}

int StartTranslator() {
  if (!OpenDiphoneDatabase()) return 1;
  if (!LoadTranslatorRules(gDiphoneDirectory + "regras.rgr")) return 2;
  if (!LoadTranslatorExceptions(gDiphoneDirectory + "portug.exc")) return 2;
  gBuffer = std::make_unique<uint8_t[]>(kSpeechBufferSize);
  return 0;
}

void EndTranslator() {
  gBuffer.reset();
  for (auto& list : gRules) list.clear();
  if (gData) std::fclose(gData);
  gData = nullptr;
  gIndex.clear();
}

const std::string& TranslatorLettersDirectory() { return gLettersDirectory; }
const std::string& DiphoneDirectory() { return gDiphoneDirectory; }

const std::vector<TranslatorRule>& RuleList(int c) { return c >= 32 && c <= 95 ? gRules[c - 32] : kNoRules; }
const std::vector<WordAlias>& ExceptionTable() { return gExceptions; }
const std::vector<IndexRecord>& DiphoneIndex() { return gIndex; }

const IndexRecord* FindDiphone(std::string_view key) {
  auto it = std::lower_bound(gIndex.begin(), gIndex.end(), key,
                             [](const IndexRecord& r, std::string_view k) { return std::string_view(r.name) < k; });
  if (it == gIndex.end() || it->name != key) return nullptr;
  return &*it;
}

size_t ReadDiphoneData(uint32_t offset, size_t n, uint8_t* out) {
  if (!gData || n == 0) return 0;
  if (std::fseek(gData, static_cast<long>(offset), SEEK_SET) != 0) return 0;
  return std::fread(out, 1, n, gData);
}

uint8_t* SpeechBuffer() { return gBuffer.get(); }
int SegmentCut() { return gSegmentCut; }
int SegmentFloor() { return gSegmentFloor; }
int WordPause() { return gWordPause; }

void ResetTranslator() {
  EndTranslator();
  gExceptions.clear();
  gDatabaseName = "DIFONES2";
  gSegmentCut = 400;
  gSegmentFloor = 0;
  gWordPause = 100;
  gLettersDirectory.clear();
  gDiphoneDirectory.clear();
}
