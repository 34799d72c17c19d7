#include "synth/mbrola/database.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace mbr {
namespace {
constexpr char kMagic[8] = {'Z', 'M', 'B', 'R', 'V', 'O', 'X', '1'};
constexpr size_t kHeader = 28;
constexpr size_t kRecord = 36;
constexpr size_t kNameRoom = 4;
constexpr uint32_t kMaxInfo = 1024;
constexpr uint32_t kMaxDiphones = 65536;

uint32_t U32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

void Put32(std::string& o, uint32_t v) {
  for (int i = 0; i < 4; ++i) o += static_cast<char>(v >> (8 * i));
}

// A name field: up to 3 characters, the rest zero.
bool Name(const unsigned char* p, std::string& out) {
  out.clear();
  size_t i = 0;
  while (i < kNameRoom && p[i]) out += static_cast<char>(p[i++]);
  if (out.empty() || i == kNameRoom) return false;
  for (; i < kNameRoom; ++i)
    if (p[i]) return false;
  return true;
}
}  // namespace

bool ParseDatabase(const std::string& bytes, Database& db, std::string& error) {
  db = Database();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t size = bytes.size();
  if (size < kHeader || std::memcmp(p, kMagic, sizeof kMagic) != 0) {
    error = "not a voice database";
    return false;
  }
  db.rate = U32(p + 8);
  const uint32_t n = U32(p + 12), m = U32(p + 16), s = U32(p + 20), info = U32(p + 24);
  if (db.rate < 8000 || db.rate > 48000 || n == 0 || n > kMaxDiphones || info > kMaxInfo) {
    error = "voice database header out of range";
    return false;
  }
  // Sizes in 64 bits: four 32-bit counts cannot overflow them.
  const uint64_t want = kHeader + uint64_t{info} + uint64_t{n} * kRecord + uint64_t{m} * 4 + uint64_t{s} * 2;
  if (want != size) {
    error = want > size ? "voice database truncated" : "voice database has trailing bytes";
    return false;
  }
  db.info.assign(bytes, kHeader, info);
  const unsigned char* rec = p + kHeader + info;
  const unsigned char* marks = rec + size_t{n} * kRecord;
  const unsigned char* samples = marks + size_t{m} * 4;
  db.diphones.resize(n);
  for (uint32_t i = 0; i < n; ++i, rec += kRecord) {
    Diphone& d = db.diphones[i];
    d.first = U32(rec + 8);
    d.count = U32(rec + 12);
    d.begin = U32(rec + 16);
    d.boundary = U32(rec + 20);
    d.end = U32(rec + 24);
    d.firstMark = U32(rec + 28);
    d.markCount = U32(rec + 32);
    bool ok = Name(rec, d.left) && Name(rec + kNameRoom, d.right) && d.first <= s && d.count <= s - d.first &&
              d.begin <= d.boundary && d.boundary <= d.end && d.end <= d.count && d.end > d.begin &&
              d.firstMark <= m && d.markCount <= m - d.firstMark;
    for (uint32_t k = 0; ok && k < d.markCount; ++k) {
      uint32_t at = U32(marks + 4 * size_t{d.firstMark + k});
      ok = at < d.count && (k == 0 || at > U32(marks + 4 * size_t{d.firstMark + k - 1}));
    }
    if (!ok) {
      error = "voice database entry " + std::to_string(i) + " is damaged";
      db = Database();
      return false;
    }
  }
  db.marks.resize(m);
  for (uint32_t k = 0; k < m; ++k) db.marks[k] = U32(marks + 4 * size_t{k});
  db.samples.resize(s);
  for (uint32_t k = 0; k < s; ++k)
    db.samples[k] = static_cast<int16_t>(static_cast<uint16_t>(samples[2 * k] | samples[2 * k + 1] << 8));
  return true;
}

bool LoadDatabase(const std::string& path, Database& db, std::string& error) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    error = "cannot open voice database " + path;
    return false;
  }
  std::ostringstream s;
  s << f.rdbuf();
  return ParseDatabase(s.str(), db, error);
}

std::string EncodeDatabase(const Database& db) {
  std::string o(kMagic, sizeof kMagic);
  Put32(o, db.rate);
  Put32(o, static_cast<uint32_t>(db.diphones.size()));
  Put32(o, static_cast<uint32_t>(db.marks.size()));
  Put32(o, static_cast<uint32_t>(db.samples.size()));
  std::string info = db.info.substr(0, kMaxInfo);
  Put32(o, static_cast<uint32_t>(info.size()));
  o += info;
  for (const Diphone& d : db.diphones) {
    for (const std::string* name : {&d.left, &d.right}) {
      std::string field = name->substr(0, kNameRoom - 1);
      field.resize(kNameRoom, '\0');
      o += field;
    }
    for (uint32_t v : {d.first, d.count, d.begin, d.boundary, d.end, d.firstMark, d.markCount}) Put32(o, v);
  }
  for (uint32_t v : db.marks) Put32(o, v);
  for (int16_t v : db.samples) {
    o += static_cast<char>(static_cast<uint16_t>(v) & 0xff);
    o += static_cast<char>(static_cast<uint16_t>(v) >> 8);
  }
  return o;
}

}  // namespace mbr
