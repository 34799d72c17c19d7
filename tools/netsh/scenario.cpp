#include "tools/netsh/scenario.h"

#include <cstdio>
#include <cstdlib>

#include "tools/netsh/util.h"

namespace {
// Splits a line into words: blanks separate, "..." quotes with \" \\ \xHH,
// a # outside quotes starts a comment.
bool SplitWords(const std::string& line, std::vector<std::string>* words, std::string* error) {
  words->clear();
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] == '#') break;
    std::string w;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
      if (line[i] != '"') {
        w += line[i++];
        continue;
      }
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c != '\\') {
          w += c;
          continue;
        }
        if (i >= line.size()) break;
        char e = line[i++];
        if (e == 'x' && i + 2 <= line.size() && HexDigit(line[i]) >= 0 &&
            HexDigit(line[i + 1]) >= 0) {
          w += static_cast<char>(HexDigit(line[i]) * 16 + HexDigit(line[i + 1]));
          i += 2;
        } else if (e == '"' || e == '\\') {
          w += e;
        } else if (e == 't') {
          w += '\t';
        } else {
          *error = "escape desconhecido";
          return false;
        }
      }
      if (!closed) {
        *error = "aspas sem fecho";
        return false;
      }
    }
    words->push_back(w);
  }
  return true;
}

bool ToInt(const std::string& s, int* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, 10);
  if (*end != '\0' || v < 0 || v > 10000000) return false;
  *out = static_cast<int>(v);
  return true;
}

std::string TwoDigits(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02x", v & 0xFF);
  return buf;
}

void Generate(Scenario* s, int count, int aps) {
  for (int i = 1; i <= count; ++i) {
    Network n;
    n.name = "Rede Gerada " + std::to_string(i);
    bool open = i % 5 == 0;
    n.auth = open ? "Aberta" : "WPA2-Personal";
    n.cipher = open ? "Nenhuma" : "CCMP";
    for (int k = 1; k <= aps; ++k)
      n.aps.push_back({"02:5a:" + TwoDigits(i >> 8) + ":" + TwoDigits(i) + ":" + TwoDigits(k >> 8) + ":" +
                           TwoDigits(k),
                       99 - (i * 7 + k * 13) % 90, k % 2 ? "802.11n" : "802.11ac", 0});
    s->networks.push_back(n);
    s->keys.push_back(open ? "" : "senha" + std::to_string(1000 + i));
  }
}
}  // namespace

bool ParseScenario(const std::string& text, Scenario* out, std::string* error) {
  Scenario s;
  size_t pos = 0;
  int line_no = 0;
  auto fail = [&](const std::string& why) {
    *error = "linha " + std::to_string(line_no) + ": " + why;
    return false;
  };
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = Latin1FromFileText(line);
    std::vector<std::string> w;
    std::string why;
    if (!SplitWords(line, &w, &why)) return fail(why);
    if (w.empty()) continue;
    const std::string& kw = w[0];
    if (kw == "interface" && w.size() == 2) {
      s.iface = w[1];
    } else if (kw == "network" && (w.size() == 4 || w.size() == 5)) {
      Network n;
      n.name = w[1];
      n.auth = w[2];
      n.cipher = w[3];
      std::string key;
      if (w.size() == 5) {
        if (w[4].rfind("key=", 0) != 0) return fail("esperava key=");
        key = w[4].substr(4);
      }
      if (n.name.find_first_of("\r\n") != std::string::npos) return fail("nome com fim de linha");
      if (!n.Open() && key.empty()) return fail("rede segura sem key=");
      s.networks.push_back(n);
      s.keys.push_back(n.Open() ? "" : key);
    } else if (kw == "ap" && (w.size() == 4 || w.size() == 5)) {
      if (s.networks.empty()) return fail("ap antes de network");
      AccessPoint ap;
      ap.bssid = w[1];
      ap.radio = w[3];
      if (!ToInt(w[2], &ap.signal) || ap.signal > 100) return fail("sinal inv\xE1lido");
      if (w.size() == 5 && !ToInt(w[4], &ap.channel)) return fail("canal inv\xE1lido");
      s.networks.back().aps.push_back(ap);
    } else if (kw == "connected" && w.size() == 2) {
      s.connected = true;
      s.connected_ssid = w[1];
    } else if (kw == "profile" && (w.size() == 2 || w.size() == 3)) {
      SimProfile p;
      p.name = p.ssid = w[1];
      p.open = true;
      if (w.size() == 3) {
        if (w[2].rfind("key=", 0) != 0) return fail("esperava key=");
        p.key = w[2].substr(4);
        p.open = false;
      } else {
        // A stored profile holds the network's own passphrase.
        for (size_t i = 0; i < s.networks.size(); ++i)
          if (s.networks[i].name == p.ssid && !s.networks[i].Open()) {
            p.key = s.keys[i];
            p.open = false;
          }
      }
      s.profiles.push_back(p);
    } else if (kw == "delay" && w.size() == 2) {
      if (!ToInt(w[1], &s.delay_ms)) return fail("atraso inv\xE1lido");
    } else if (kw == "associate" && w.size() == 2) {
      if (!ToInt(w[1], &s.associate_ms)) return fail("associa\xE7\xE3o inv\xE1lida");
    } else if (kw == "silent" && w.size() == 1) {
      s.silent = true;
    } else if (kw == "fail" && w.size() == 2 && (w[1] == "service" || w[1] == "interface" || w[1] == "radio")) {
      s.failure = w[1] == "service"     ? SimFailure::kServiceStopped
                  : w[1] == "interface" ? SimFailure::kNoInterface
                                        : SimFailure::kRadioOff;
    } else if (kw == "generate" && w.size() == 3) {
      int count = 0, aps = 0;
      if (!ToInt(w[1], &count) || !ToInt(w[2], &aps) || count > 5000 || aps > 50)
        return fail("generate inv\xE1lido");
      Generate(&s, count, aps);
    } else {
      return fail("linha n\xE3o reconhecida: " + kw);
    }
  }
  *out = s;
  return true;
}
