#include "tools/netsh/profile_xml.h"

#include <pugixml.hpp>
#include <sys/stat.h>

#include "platform/paths.h"
#include "tools/netsh/wlan.h"
#include "tools/netsh/util.h"

namespace {
// Names come as the program writes them (Latin-1 bytes); a file written as
// UTF-8 by something else is read as UTF-8.
std::string NameText(const pugi::xml_node& node) {
  return TrimLineEnd(Latin1FromFileText(node.text().get()));
}
}  // namespace

ProfileRead ReadWlanProfile(const std::string& given, WlanProfile* out) {
  // The program may name the file the Windows way (C:\...\zelnar.xml).
  struct stat st;
  std::string path = given;
  if (stat(path.c_str(), &st) != 0) path = ResolvePath(given);
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return ProfileRead::kMissing;
  pugi::xml_document doc;
  // Keep blanks-only key material; line ends become LF and are trimmed.
  if (!doc.load_file(path.c_str(), pugi::parse_default | pugi::parse_ws_pcdata_single))
    return ProfileRead::kCorrupt;
  pugi::xml_node root = doc.child("WLANProfile");
  if (!root) return ProfileRead::kCorrupt;
  pugi::xml_node ssid = root.child("SSIDConfig").child("SSID");
  if (!ssid) return ProfileRead::kCorrupt;
  WlanProfile p;
  std::string hex = ssid.child("hex").text().get();
  if (!hex.empty()) {
    if (!FromHex(hex, &p.ssid)) return ProfileRead::kCorrupt;
  } else {
    p.ssid = NameText(ssid.child("name"));
  }
  p.name = NameText(root.child("name"));
  if (p.name.empty()) p.name = p.ssid;
  pugi::xml_node security = root.child("MSM").child("security");
  std::string auth = security.child("authEncryption").child("authentication").text().get();
  p.open = auth.empty() || auth == "open";
  if (!p.open) p.key = Latin1FromFileText(security.child("sharedKey").child("keyMaterial").text().get());
  *out = p;
  return ProfileRead::kOk;
}

bool RefuseProfile(ProfileRead read, Answer* answer) {
  if (read == ProfileRead::kOk) return false;
  *answer = {read == ProfileRead::kMissing ? ProfileFileMissingText() : ProfileCorruptText(), "", 1};
  return true;
}
