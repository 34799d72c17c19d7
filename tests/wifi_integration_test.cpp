// Scanning, connecting, typing a key and disconnecting through real child
// processes: the program's own netsh stand-in on its simulated radio, the
// console on the headless window, keys typed as a user would.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include "app/connect.h"
#include "app/networks.h"
#include "console/console.h"
#include "console/keyboard.h"
#include "console/menu.h"
#include "platform/latin1.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "platform/window_headless.h"
#include "speech/speech.h"
#include "tests/support/screen.h"
#include "tests/support/testenv.h"

namespace {

const std::string kBuild = ZELNAR_BUILD_DIR;

class Wifi : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access((kBuild + "/netsh").c_str(), X_OK) != 0) GTEST_SKIP() << "build/netsh is not built";
    ResetMessages();
    UseHeadlessConsole();
    mkdir((dir_.path() + "/som").c_str(), 0700);
    StartSpeech(0, dir_.path() + "/som");
    UseScenario(std::string(ZELNAR_SOURCE_DIR) + "/tools/netsh/demo.scenario");
  }
  void TearDown() override {
    ResetConsole();
    ResetMessages();
  }
  void UseScenario(const std::string& path) { setenv("ZELNAR_WIFI", ("sim:" + path).c_str(), 1); }
  // A scenario of the test's own, written from UTF-8 text.
  void WriteScenario(const std::string& text) { UseScenario(dir_.Write("test.scenario", text)); }
  // Keys the user types before the program asks for them.
  void Type(const std::string& utf8) {
    for (unsigned char c : Utf8ToLatin1(utf8)) PostMessage(kMsgChar, c == '\n' ? 13 : c, 0);
  }
  // The raw name the last scan found for a shown name.
  std::string Raw(const std::string& utf8) {
    std::string want = Utf8ToLatin1(utf8) + "\r\n";
    for (const std::string& raw : NetworkList())
      if (raw == want) return raw;
    ADD_FAILURE() << "not listed: " << utf8;
    return want;
  }
  // The menu of the last scan as the user sees it while it waits for a key;
  // then ESC leaves it.
  std::string MenuAsShown() {
    std::string seen;
    SetHeadlessIdleHook([&seen] {
      if (!seen.empty()) return;
      seen = Latin1ToUtf8(ScreenText());
      InjectKeyPress(kKeyEscape, 27);
    });
    RunMenu();
    SetHeadlessIdleHook(nullptr);
    return seen;
  }
  std::string Screen() { return Latin1ToUtf8(ScreenFlat()); }
  // The colours of the first cell that shows text, as foreground and background.
  void ColoursOf(const std::string& latin1, int* fg, int* bg) {
    std::string flat = ScreenFlat();
    size_t at = flat.find(latin1);
    ASSERT_NE(at, std::string::npos);
    Cell c = ReadScreenCell(static_cast<int>(at % 80) + 1, static_cast<int>(at / 80) + 1);
    *fg = c.attr & 15;
    *bg = c.attr >> 4;
  }

  TempDir dir_;
  ScopedEnv path_{"PATH", kBuild + ":" + std::string(getenv("PATH") ? getenv("PATH") : "")};
  ScopedEnv state_{"ZELNAR_WIFI_STATE", dir_.path() + "/wifi.state"};
  ScopedEnv audio_{"ZELNAR_AUDIO", "null"};
  ScopedEnv scale_{"ZELNAR_TIME_SCALE", "0"};
  ScopedEnv video_{"ZELNAR_VIDEO", "headless"};
  // The built voice installation, so that speech starts as in the program.
  ScopedEnv drives_{"ZELNAR_DRIVES", kBuild + "/drives"};
  ScopedEnv windir_{"WINDIR", ""};
  ScopedEnv xdg_{"XDG_STATE_HOME", dir_.path() + "/state"};
};

TEST_F(Wifi, ScanListsTheDemoNetworks) {
  ScanNetworks();
  ASSERT_EQ(NetworkList().size(), 10u);
  std::string menu = MenuAsShown();
  EXPECT_NE(menu.find("CasaAzul, conectado, segura, sinal 88%"), std::string::npos) << menu;
  EXPECT_NE(menu.find("Café Central, segura, sinal 72%"), std::string::npos) << menu;
  EXPECT_NE(menu.find("Biblioteca Municipal, sinal 40%"), std::string::npos) << menu;
}

TEST_F(Wifi, StoredProfileConnectsWithoutAskingAndTheNextScanShowsIt) {
  ScanNetworks();
  ConnectNetwork(Raw("Escritório Santos"));
  std::string screen = Screen();
  EXPECT_EQ(screen.find("Digite a chave"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Solicitando conexão de Escritório Santos"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Conexão estabelecida"), std::string::npos) << screen;
  ClearScreen();
  ScanNetworks();
  std::string menu = MenuAsShown();
  EXPECT_NE(menu.find("Escritório Santos, conectado, segura"), std::string::npos) << menu;
  EXPECT_EQ(menu.find("CasaAzul, conectado"), std::string::npos) << menu;
}

TEST_F(Wifi, WrongKeyIsReportedInTheToolsWordsThenTheRightKeyConnects) {
  ScanNetworks();
  MenuAsShown();  // as in the program: the menu runs, then the connection step
  Type("errada123\n");
  ConnectNetwork(Raw("Café Central"));
  std::string screen = Screen();
  EXPECT_NE(screen.find("Digite a chave de segurança da rede sem fio"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Erro na operação, código: "), std::string::npos) << screen;
  EXPECT_NE(screen.find("chave de segurança da rede não está correta"), std::string::npos) << screen;
  int fg = -1, bg = -2;
  ColoursOf("errada123", &fg, &bg);
  EXPECT_EQ(fg, bg) << "the key must not be readable";

  // The profile with the wrong key is gone: the key is asked again.
  ClearScreen();
  ScanNetworks();
  Type("cafe\x1B" "zinho10\n");  // ESC at the key prompt does nothing
  ConnectNetwork(Raw("Café Central"));
  screen = Screen();
  EXPECT_NE(screen.find("Digite a chave de segurança da rede sem fio"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Conexão estabelecida"), std::string::npos) << screen;
  ClearScreen();
  ScanNetworks();
  EXPECT_NE(MenuAsShown().find("Café Central, conectado, segura"), std::string::npos);
}

TEST_F(Wifi, ChoosingTheConnectedNetworkDisconnects) {
  ScanNetworks();
  ConnectNetwork(Raw("CasaAzul"));
  std::string screen = Screen();
  EXPECT_NE(screen.find("Solicitando desconexão de rede CasaAzul"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Rede desconectada"), std::string::npos) << screen;
  ClearScreen();
  ScanNetworks();
  EXPECT_EQ(MenuAsShown().find("CasaAzul, conectado"), std::string::npos);
}

TEST_F(Wifi, ShortKeysAreRefusedAndAnEmptyLineWithdraws) {
  ScanNetworks();
  Type("12345\n\n");
  ConnectNetwork(Raw("Padaria Pão Quente"));
  std::string screen = Screen();
  size_t first = screen.find("A chave déve ter mais de 5 caractéres.");
  ASSERT_NE(first, std::string::npos) << screen;
  EXPECT_NE(screen.find("A chave déve ter mais de 5 caractéres.", first + 1), std::string::npos) << screen;
  EXPECT_NE(screen.find("Cancelado"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("Solicitando"), std::string::npos) << screen;
}

TEST_F(Wifi, OpenNetworkConnectsWithoutAKey) {
  ScanNetworks();
  ConnectNetwork(Raw("Biblioteca Municipal"));
  std::string screen = Screen();
  EXPECT_EQ(screen.find("Digite a chave"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Conexão estabelecida"), std::string::npos) << screen;
}

TEST_F(Wifi, SecuredNetworkNamedOpenStillAsksItsKey) {
  WriteScenario("interface Wi-Fi\n"
                "network \"Rede Aberta\" WPA2-Personal CCMP key=chave-da-rede\n"
                "ap 00:11:22:33:44:55 80 802.11n 6\n");
  ScanNetworks();
  Type("chave-da-rede\n");
  ConnectNetwork(Raw("Rede Aberta"));
  std::string screen = Screen();
  EXPECT_NE(screen.find("Digite a chave de segurança da rede sem fio"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Conexão estabelecida"), std::string::npos) << screen;
}

TEST_F(Wifi, HostileNamesConnectAndRunNothing) {
  std::string pwned = dir_.path() + "/pwned";
  std::string hostile1 = "a\\\" & touch " + pwned + " & \\\"";
  std::string hostile2 = "$(touch " + pwned + ")`touch " + pwned + "`;|<x>";
  WriteScenario("interface Wi-Fi\n"
                "network \"" + hostile1 + "\" WPA2-Personal CCMP key=chave-segura\n"
                "ap 00:11:22:33:44:55 80 802.11n 6\n"
                "network \"" + hostile2 + "\" WPA2-Personal CCMP key=outra-chave\n"
                "ap 00:11:22:33:44:66 70 802.11n 6\n");
  ScanNetworks();
  ASSERT_EQ(NetworkList().size(), 2u);
  Type("chave-segura\n");
  ConnectNetwork(NetworkList()[0]);
  EXPECT_NE(Screen().find("Conexão estabelecida"), std::string::npos) << Screen();
  // The profile handed to netsh is well-formed XML naming the network exactly.
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(ProfilePath().c_str()));
  std::string name = doc.select_node("//SSIDConfig/SSID/name").node().text().get();
  EXPECT_EQ(name, "a\" & touch " + pwned + " & \"\n");  // XML reads CR LF as LF
  ClearScreen();
  Type("outra-chave\n");
  ConnectNetwork(NetworkList()[1]);
  EXPECT_NE(Screen().find("Conexão estabelecida"), std::string::npos) << Screen();
  EXPECT_NE(access(pwned.c_str(), F_OK), 0) << "a network name ran a command";
}

TEST_F(Wifi, NetworksFromTheTenthOnConnectDespiteTheirLeadingBlank) {
  WriteScenario("interface Wi-Fi\ngenerate 12 1\n");
  ScanNetworks();
  ASSERT_EQ(NetworkList().size(), 12u);
  ASSERT_EQ(NetworkList()[10], " Rede Gerada 11\r\n");
  Type("senha1011\n");
  ConnectNetwork(NetworkList()[10]);
  EXPECT_NE(Screen().find("Conexão estabelecida"), std::string::npos) << Screen();
  ClearScreen();
  ScanNetworks();
  EXPECT_NE(MenuAsShown().find(" Rede Gerada 11, conectado"), std::string::npos);
}

TEST_F(Wifi, FortyNetworksWithTwoAccessPointsEachAreAllListed) {
  WriteScenario("interface Wi-Fi\ngenerate 40 2\n");
  ScanNetworks();
  EXPECT_EQ(NetworkList().size(), 40u);
  EXPECT_EQ(NetworkList()[39], " Rede Gerada 40\r\n");
}

TEST_F(Wifi, TheHiddenNetworkConnectsWithItsKeyAndNeverLooksConnected) {
  ScanNetworks();
  ASSERT_EQ(NetworkList()[5], "\r\n");
  std::string menu = MenuAsShown();
  EXPECT_NE(menu.find(", segura, sinal 30%"), std::string::npos) << menu;
  EXPECT_EQ(menu.find(", conectado, segura, sinal 30%"), std::string::npos) << menu;
  Type("rede-oculta\n");
  ConnectNetwork(NetworkList()[5]);
  std::string screen = Screen();
  EXPECT_NE(screen.find("Digite a chave"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Conexão estabelecida"), std::string::npos) << screen;
  ClearScreen();
  ScanNetworks();
  menu = MenuAsShown();
  EXPECT_EQ(menu.find("conectado"), std::string::npos) << menu;
}

TEST_F(Wifi, DualBandRoutersAreListedOncePerNetwork) {
  UseScenario(std::string(ZELNAR_SOURCE_DIR) + "/tools/netsh/dualband.scenario");
  ScanNetworks();
  ASSERT_EQ(NetworkList().size(), 6u);
  std::string menu = MenuAsShown();
  for (const char* item : {"CasaAzul, segura, sinal 88%", "Apartamento 302, segura, sinal 71%",
                           "Sinal forte, segura, sinal 35%", "Rede, segura, sinal 60%",
                           "MinhaRede, conectado, segura, sinal 58%", "Wi-Fi Aberta da Praça, sinal 40%"})
    EXPECT_NE(menu.find(item), std::string::npos) << item << "\n" << menu;
}

TEST_F(Wifi, AWrongKeyOnASlowNetworkIsAFailure) {
  ScopedEnv slower("ZELNAR_TIME_SCALE", "0.1");  // 3 s for the association's answer
  WriteScenario("associate 1500\nnetwork \"Escola\" WPA2-Personal CCMP key=escola2024\nap 00:1a:2b:3c:4d:01 74 802.11n\n");
  ScanNetworks();
  Type("errada-de-novo\n");
  ConnectNetwork(Raw("Escola"));
  std::string screen = Screen();
  EXPECT_NE(screen.find("Erro na operação, código: Falha ao conectar à rede \"Escola\": a chave"), std::string::npos)
      << screen;
  EXPECT_EQ(screen.find("sucesso"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("estabelecida"), std::string::npos) << screen;
}

// The key only silences the wait: it is not left to cut the result.
TEST_F(Wifi, AKeyDuringASlowConnectCutsOnlyTheSpeech) {
  ScopedEnv slower("ZELNAR_TIME_SCALE", "0.1");
  WriteScenario("associate 1500\nnetwork \"Escola\" WPA2-Personal CCMP key=escola2024\nap 00:1a:2b:3c:4d:01 74 802.11n\n"
                "profile \"Escola\"\n");
  ScanNetworks();
  Type("x");
  ConnectNetwork(Raw("Escola"));
  EXPECT_NE(Screen().find("Conexão estabelecida"), std::string::npos) << Screen();
  EXPECT_FALSE(KeyWaiting());
}

TEST_F(Wifi, RadioSwitchedOffIsSaidInsteadOfAnEmptyMenu) {
  WriteScenario("fail radio\nnetwork \"Escola\" WPA2-Personal CCMP key=escola2024\nap 00:1a:2b:3c:4d:01 74 802.11n\n");
  ScanNetworks();
  EXPECT_TRUE(NetworkList().empty());
  EXPECT_TRUE(WirelessUnavailable());
  EXPECT_NE(Screen().find("A rede sem fio está desligada; ligue-a ou saia do modo avião e abra o Zelnar."),
            std::string::npos) << Screen();
}

// A saved key the network refuses is asked again at the next choice, and the
// key typed then replaces it.
TEST_F(Wifi, ARefusedSavedKeyIsAskedAgain) {
  WriteScenario("network \"Longe\" WPA2-Personal CCMP key=longe12345\nap 00:1a:2b:3c:4d:01 74 802.11n\n"
                "profile \"Longe\" key=errada123\n");
  ScanNetworks();
  ConnectNetwork(Raw("Longe"));
  EXPECT_NE(Screen().find("a chave de segurança da rede não está correta"), std::string::npos) << Screen();
  ClearScreen();
  Type("longe12345\n");
  ConnectNetwork(Raw("Longe"));
  EXPECT_NE(Screen().find("Digite a chave de segurança"), std::string::npos) << Screen();
  EXPECT_NE(Screen().find("Conexão estabelecida"), std::string::npos) << Screen();
}

TEST_F(Wifi, ASlowScanIsWaitedFor) {
  WriteScenario("delay 1700\nnetwork \"Escola\" WPA2-Personal CCMP key=escola2024\nap 00:1a:2b:3c:4d:01 74 802.11n\n");
  ScanNetworks();
  EXPECT_EQ(NetworkList(), std::vector<std::string>{"Escola\r\n"});
}

TEST_F(Wifi, StoppedServiceIsSaidInsteadOfAnEmptyMenu) {
  WriteScenario("fail service\n");
  ScanNetworks();
  EXPECT_TRUE(NetworkList().empty());
  EXPECT_TRUE(WirelessUnavailable());
  EXPECT_NE(Screen().find("O serviço de rede sem fio não está funcionando; não há redes para listar."),
            std::string::npos) << Screen();
  Type("qualquer-chave\n");
  ConnectNetwork("Qualquer\r\n");  // as if chosen from an older list
  std::string screen = Screen();
  EXPECT_NE(screen.find("Erro na operação, código: O Serviço de Configuração Automática"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("Conexão estabelecida"), std::string::npos) << screen;
}

}  // namespace
