// The network scan's reading of netsh's text.
#include <gtest/gtest.h>

#include "app/networks.h"

namespace {

// netsh's lines: CR LF ends every one.
std::string Lines(std::initializer_list<std::string> lines) {
  std::string t;
  for (const std::string& l : lines) t += l + "\r\n";
  return t;
}

std::string Interfaces(const std::string& ssid) {
  return Lines({"", "H\xE1 1 interface no sistema:", "", "    Nome                   : Wi-Fi",
                "    Estado                 : conectado", "    SSID                   : " + ssid,
                "    BSSID                  : 00:11:22:33:44:55"});
}

std::string Network(int n, const std::string& name, const std::string& auth, const std::string& cipher,
                    const std::string& signal) {
  return Lines({"SSID " + std::to_string(n) + " : " + name, "    Tipo de rede            : Infraestrutura",
                "    Autentica\xE7\xE3o            : " + auth, "    Criptografia            : " + cipher,
                "    BSSID 1                 : 00:11:22:33:44:" + std::to_string(10 + n),
                "         Sinal             : " + signal, "         Tipo de r\xE1" "dio      : 802.11n"});
}

std::string Header(int count) {
  return Lines({"", "Nome da interface : Wi-Fi", "H\xE1 " + std::to_string(count) + " redes vis\xEDveis no momento.", ""});
}

TEST(Scan, WorkedExample) {
  std::string networks = Header(2) + Network(1, "CasaAzul", "WPA2-Personal", "CCMP", "88%") +
                         Network(2, "Biblioteca", "Aberta", "Nenhuma", "40%");
  ScanResult r = ParseNetworks(Interfaces("CasaAzul"), networks);
  ASSERT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.items[0], "CasaAzul, conectado, segura, sinal 88%");
  EXPECT_EQ(r.items[1], "Biblioteca, sinal 40%");
  EXPECT_EQ(r.rawNames[0], "CasaAzul\r\n");
  EXPECT_EQ(r.rawNames[1], "Biblioteca\r\n");
  EXPECT_FALSE(r.open[0]);
  EXPECT_TRUE(r.open[1]);
}

TEST(Scan, ConnectedNeedsTheWholeNameWithItsLineEnd) {
  std::string networks = Header(2) + Network(1, "Rede", "WPA2-Personal", "CCMP", "50%") +
                         Network(2, "Rede2", "WPA2-Personal", "CCMP", "60%");
  ScanResult r = ParseNetworks(Interfaces("Rede2"), networks);
  ASSERT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.items[0], "Rede, segura, sinal 50%");
  EXPECT_EQ(r.items[1], "Rede2, conectado, segura, sinal 60%");
}

TEST(Scan, SecurityBelongsToEachNetworkOwnStretch) {
  std::string networks = Header(2) + Network(1, "Aberta1", "Aberta", "Nenhuma", "70%") +
                         Network(2, "Fechada", "WPA2-Personal", "CCMP", "20%");
  ScanResult r = ParseNetworks("", networks);
  ASSERT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.items[0], "Aberta1, sinal 70%");
  EXPECT_EQ(r.items[1], "Fechada, segura, sinal 20%");
}

TEST(Scan, OpenComesFromTheAuthenticationLineNotTheName) {
  // Names that hold the word: only the authentication value makes a network open.
  std::string networks = Header(3) + Network(1, "Rede Aberta", "WPA2-Personal", "CCMP", "70%") +
                         Network(2, "Aberta", "WPA2-Personal", "CCMP", "60%") +
                         Network(3, "Praca", "Aberta", "Nenhuma", "50%");
  ScanResult r = ParseNetworks("", networks);
  ASSERT_EQ(r.open.size(), 3u);
  EXPECT_FALSE(r.open[0]);
  EXPECT_FALSE(r.open[1]);
  EXPECT_TRUE(r.open[2]);
  EXPECT_EQ(r.items[0], "Rede Aberta, segura, sinal 70%");
}

TEST(Scan, MissingSignalTakesTheNextOneOrNothing) {
  std::string first = Network(1, "Quieta", "WPA2-Personal", "CCMP", "x");
  first.erase(first.find("         Sinal"), first.find("         Tipo de r") - first.find("         Sinal"));
  std::string networks = Header(2) + first + Network(2, "Proxima", "Aberta", "Nenhuma", "33%");
  ScanResult r = ParseNetworks("", networks);
  ASSERT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.items[0], "Quieta, segura, sinal 33%");
  std::string last = Network(1, "Unica", "Aberta", "Nenhuma", "x");
  last.erase(last.find("         Sinal"), last.find("         Tipo de r") - last.find("         Sinal"));
  r = ParseNetworks("", Header(1) + last);
  ASSERT_EQ(r.items.size(), 1u);
  EXPECT_EQ(r.items[0], "Unica, sinal ");
}

TEST(Scan, TheHiddenNetworkIsNeverTheConnectedOne) {
  // Its raw name is only a line end, which any interfaces text holds.
  std::string networks = Header(2) + Network(1, "", "WPA2-Personal", "CCMP", "15%") +
                         Network(2, "Visivel", "WPA2-Personal", "CCMP", "90%");
  ScanResult r = ParseNetworks(Interfaces("Outra"), networks);
  ASSERT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.rawNames[0], "\r\n");
  EXPECT_EQ(r.items[0], ", segura, sinal 15%");
  EXPECT_EQ(r.items[1], "Visivel, segura, sinal 90%");
}

TEST(Scan, TenthNetworkBeginsWithABlank) {
  std::string networks = Header(12);
  for (int n = 1; n <= 12; ++n) networks += Network(n, "Rede" + std::to_string(n), "WPA2-Personal", "CCMP", "50%");
  ScanResult r = ParseNetworks("", networks);
  ASSERT_EQ(r.items.size(), 12u);
  EXPECT_EQ(r.items[8], "Rede9, segura, sinal 50%");
  EXPECT_EQ(r.items[9], " Rede10, segura, sinal 50%");
  EXPECT_EQ(r.rawNames[11], " Rede12\r\n");
  // The blank belongs to the label's layout, not to the name.
  EXPECT_EQ(r.names[8], "Rede9");
  EXPECT_EQ(r.names[9], "Rede10");
  EXPECT_EQ(r.names[11], "Rede12");
}

TEST(Scan, FromTheHundredthNetworkTheCutStartsAtTheColon) {
  std::string networks = Header(100);
  for (int n = 1; n <= 100; ++n) networks += Network(n, "R" + std::to_string(n), "WPA2-Personal", "CCMP", "50%");
  ScanResult r = ParseNetworks("", networks);
  ASSERT_EQ(r.items.size(), 100u);
  EXPECT_EQ(r.rawNames[99], ": R100\r\n");
  EXPECT_EQ(r.items[99], ": R100, segura, sinal 50%");
  EXPECT_EQ(r.names[99], "R100");
}

TEST(Scan, AccessPointLinesNeverBecomeNetworks) {
  // A dual-band router: the first network's "BSSID 2" line holds "SSID 2"
  // before the second network's own label.
  std::string first = Network(1, "DoisPontos", "WPA2-Personal", "CCMP", "80%");
  first += Lines({"    BSSID 2                 : 00:11:22:33:44:99", "         Sinal             : 61%"});
  std::string networks = Header(2) + first + Network(2, "Segunda", "Aberta", "Nenhuma", "30%");
  ScanResult r = ParseNetworks("", networks);
  ASSERT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.items[0], "DoisPontos, segura, sinal 80%");
  EXPECT_EQ(r.items[1], "Segunda, sinal 30%");
  EXPECT_EQ(r.rawNames[1], "Segunda\r\n");
}

TEST(Scan, NamesThatHoldLabelsChangeNoOtherField) {
  // Each field comes from its own line, never from the name's.
  std::string quiet = Network(1, "Sinal forte", "Aberta", "Nenhuma", "x");
  quiet.erase(quiet.find("         Sinal"), quiet.find("         Tipo de r") - quiet.find("         Sinal"));
  std::string networks = Header(3) + quiet + Network(2, "CCMP Aberta", "Aberta", "Nenhuma", "45%") +
                         Network(3, "SSID 3 : Falsa", "WPA2-Personal", "CCMP", "20%");
  ScanResult r = ParseNetworks("", networks);
  ASSERT_EQ(r.items.size(), 3u);
  EXPECT_EQ(r.items[0], "Sinal forte, sinal 45%");
  EXPECT_EQ(r.items[1], "CCMP Aberta, sinal 45%");
  EXPECT_EQ(r.items[2], "SSID 3 : Falsa, segura, sinal 20%");
  EXPECT_TRUE(r.open[1]);
}

TEST(Scan, ConnectedIsTheWholeNameOfTheInterfaceLine) {
  std::string networks = Header(2) + Network(1, "Rede", "WPA2-Personal", "CCMP", "50%") +
                         Network(2, "MinhaRede", "WPA2-Personal", "CCMP", "60%");
  ScanResult r = ParseNetworks(Interfaces("MinhaRede"), networks);
  ASSERT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.items[0], "Rede, segura, sinal 50%");
  EXPECT_EQ(r.items[1], "MinhaRede, conectado, segura, sinal 60%");
  // The access point's "BSSID" line is not the "SSID" line.
  r = ParseNetworks(Interfaces("Outra") + "    BSSID                  : Rede\r\n", networks);
  EXPECT_EQ(r.items[0], "Rede, segura, sinal 50%");
}

TEST(Scan, EmptyOrForeignTextGivesNothing) {
  EXPECT_TRUE(ParseNetworks("", "").items.empty());
  EXPECT_TRUE(ParseNetworks("", "O servi\xE7o n\xE3o est\xE1 em execu\xE7\xE3o.\r\n").rawNames.empty());
}

TEST(Scan, FortyNetworksWithTwoAccessPointsEach) {
  std::string networks = Header(40);
  for (int n = 1; n <= 40; ++n) {
    std::string name = "N" + std::to_string(n);
    networks += Network(n, name, "WPA2-Personal", "CCMP", "50%");
    networks += Lines({"    BSSID 2                 : 00:11:22:33:55:66", "         Sinal             : 40%"});
  }
  ScanResult r = ParseNetworks("", networks);
  ASSERT_EQ(r.items.size(), 40u);
  for (int n = 1; n <= 40; ++n)
    EXPECT_EQ(r.names[n - 1], "N" + std::to_string(n));
  EXPECT_EQ(r.items[1], "N2, segura, sinal 50%");
  EXPECT_EQ(r.items[39], " N40, segura, sinal 50%");
}

}  // namespace
