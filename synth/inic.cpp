#include "synth/inic.h"

#include <array>
#include <fstream>

#include "platform/paths.h"

namespace synth {
namespace {
std::array<std::vector<SynthRule>, 256> gBuckets;

// The text from `from` up to the next `delimiter` (or the end); `from` moves
// past the delimiter, or to the end when there is none.
std::string Field(const std::string& line, size_t& from, char delimiter, size_t keep) {
  if (from > line.size()) return "";
  size_t end = line.find(delimiter, from);
  if (end == std::string::npos) end = line.size();
  std::string f = line.substr(from, end - from).substr(0, keep);
  from = end + 1;
  return f;
}
}  // namespace

bool LoadRules(const std::string& path) {
  ReleaseRules();
  std::ifstream in(ResolvePath(path), std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == ';') continue;
    size_t at = 0;
    SynthRule r;
    r.left = Field(line, at, '(', 5);
    r.centre = Field(line, at, ')', 5);
    r.right = Field(line, at, '=', 5);
    r.output = Field(line, at, '|', 20);
    // An empty centre would match without moving on.
    if (r.centre.empty()) continue;
    gBuckets[static_cast<unsigned char>(r.centre[0])].push_back(std::move(r));
  }
  return true;
}

void ReleaseRules() {
  for (auto& b : gBuckets) b.clear();
}

const std::vector<SynthRule>& RuleBucket(unsigned char c) {
  static const std::vector<SynthRule> kNone;
  return c < 32 ? kNone : gBuckets[c];
}

}  // namespace synth
