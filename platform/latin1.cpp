#include "platform/latin1.h"

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size() + latin1.size() / 4);
  for (unsigned char c : latin1) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

namespace {
// Decodes one UTF-8 sequence at s[i]; returns the code point or -1, moves i.
long Decode(std::string_view s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (len == 0 || i + len > s.size()) {
    ++i;
    return -1;
  }
  long cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
  for (int k = 1; k < len; ++k) {
    unsigned char d = static_cast<unsigned char>(s[i + k]);
    if ((d & 0xC0) != 0x80) {
      ++i;
      return -1;
    }
    cp = (cp << 6) | (d & 0x3F);
  }
  i += len;
  return cp;
}
}  // namespace

std::string Utf8ToLatin1(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    long cp = Decode(utf8, i);
    out += (cp >= 0 && cp <= 0xFF) ? static_cast<char>(cp) : replacement;
  }
  return out;
}

bool FitsLatin1(std::string_view utf8) {
  size_t i = 0;
  while (i < utf8.size()) {
    long cp = Decode(utf8, i);
    if (cp < 0 || cp > 0xFF) return false;
  }
  return true;
}
