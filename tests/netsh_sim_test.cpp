// build/netsh over the simulated radio, run as a child process: the exact
// bytes it prints, its switches, and the state its calls leave behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/connect.h"
#include "platform/paths.h"
#include "tests/netsh_child.h"
#include "tests/support/testenv.h"

namespace {
const std::string kSmall =
    "network \"CasaAzul\" WPA2-Personal CCMP key=segredo123\n"
    "ap 00:11:22:33:44:55 88 802.11n\n"
    "network \"Biblioteca\" Aberta Nenhuma\n"
    "ap 66:77:88:99:aa:bb 40 802.11g\n"
    "connected \"CasaAzul\"\n"
    "profile \"CasaAzul\"\n";

const std::string kExampleNetworks =
    "Nome da interface : Wi-Fi\r\n"
    "H\xE1 2 redes vis\xEDveis no momento.\r\n"
    "\r\n"
    "SSID 1 : CasaAzul\r\n"
    "    Tipo de rede            : Infraestrutura\r\n"
    "    Autentica\xE7\xE3o            : WPA2-Personal\r\n"
    "    Criptografia            : CCMP\r\n"
    "    BSSID 1                 : 00:11:22:33:44:55\r\n"
    "         Sinal             : 88%\r\n"
    "         Tipo de r\xE1" "dio      : 802.11n\r\n"
    "SSID 2 : Biblioteca\r\n"
    "    Tipo de rede            : Infraestrutura\r\n"
    "    Autentica\xE7\xE3o            : Aberta\r\n"
    "    Criptografia            : Nenhuma\r\n"
    "    BSSID 1                 : 66:77:88:99:aa:bb\r\n"
    "         Sinal             : 40%\r\n"
    "         Tipo de r\xE1" "dio      : 802.11g\r\n";

bool HasSuccessWord(const std::string& s) { return s.find("\xEAxito") != std::string::npos; }

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

// One simulated radio: its scenario file and its state file in a temp folder.
class Radio {
 public:
  explicit Radio(const std::string& scenario) { scenario_ = dir_.Write("radio.scenario", scenario); }
  NetshResult Run(const std::vector<std::string>& args) const {
    return RunNetsh(args, {"ZELNAR_WIFI=sim:" + scenario_, "ZELNAR_WIFI_STATE=" + StatePath()});
  }
  std::string Out(const std::vector<std::string>& args) const { return Run(args).out; }
  std::string StatePath() const { return dir_.path() + "/wifi.state"; }
  std::string WriteFile(const std::string& name, const std::string& bytes) const { return dir_.Write(name, bytes); }
  const std::string& scenario() const { return scenario_; }

 private:
  TempDir dir_;
  std::string scenario_;
};

TEST(NetshSimText, NetworksTextIsTheWorkedExampleByteForByte) {
  Radio radio(kSmall);
  NetshResult r = radio.Run({"wlan", "show", "networks", "mode=bssid"});
  EXPECT_EQ(r.out, kExampleNetworks);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  // Without mode=bssid the access points are left out.
  std::string plain = radio.Out({"wlan", "show", "networks"});
  EXPECT_EQ(plain.find("BSSID"), std::string::npos);
  EXPECT_NE(plain.find("SSID 2 : Biblioteca\r\n    Tipo de rede"), std::string::npos);
}

TEST(NetshSimText, SignalValueStartsTwentyCharactersAfterTheLabel) {
  Radio radio(kSmall);
  std::string t = radio.Out({"wlan", "show", "networks", "mode=bssid"});
  size_t s = t.find("Sinal");
  ASSERT_NE(s, std::string::npos);
  EXPECT_EQ(t.substr(s + 20, 5), "88%\r\n");
}

TEST(NetshSimText, InterfacesTextConnectedAndDisconnected) {
  Radio radio(kSmall);
  const std::string head =
      "\r\nH\xE1 1 interface no sistema:\r\n\r\n"
      "    Nome                   : Wi-Fi\r\n"
      "    Descri\xE7\xE3o              : Adaptador de rede sem fio\r\n"
      "    GUID                   : 6f1a9c2e-4b7d-4e0a-9c3f-2d5b8e7a1c40\r\n"
      "    Endere\xE7o f\xEDsico        : f4:8c:50:12:34:56\r\n";
  const std::string tail = "\r\n    Status da rede hospedada  : N\xE3o dispon\xEDvel\r\n\r\n";
  EXPECT_EQ(radio.Out({"wlan", "show", "interfaces"}),
            head +
                "    Estado                 : conectado\r\n"
                "    SSID" + std::string(19, ' ') + ": CasaAzul\r\n"
                "    BSSID                  : 00:11:22:33:44:55\r\n"
                "    Tipo de rede           : Infraestrutura\r\n"
                "    Tipo de r\xE1" "dio          : 802.11n\r\n"
                "    Autentica\xE7\xE3o           : WPA2-Personal\r\n"
                "    Codifica\xE7\xE3o            : CCMP\r\n"
                "    Modo de conex\xE3o        : Conex\xE3o autom\xE1tica\r\n"
                "    Receber taxa (Mbps)    : 144.4\r\n"
                "    Transmitir taxa (Mbps) : 144.4\r\n"
                "    Sinal                  : 88%\r\n"
                "    Perfil                 : CasaAzul\r\n" + tail);
  EXPECT_TRUE(HasSuccessWord(radio.Out({"wlan", "disconnect"})));
  EXPECT_EQ(radio.Out({"wlan", "show", "interfaces"}),
            head + "    Estado                 : desconectado\r\n" + tail);
}

TEST(NetshSimText, ProfilesTextListsEachProfileOnItsOwnLine) {
  Radio radio(kSmall + "profile \"Biblioteca\"\n");
  EXPECT_EQ(radio.Out({"wlan", "show", "profiles"}),
            "\r\nPerfis na interface Wi-Fi:\r\n\r\n\r\n"
            "Perfis de Pol\xEDtica de Grupo (somente leitura)\r\n"
            "---------------------------------\r\n"
            "    <Nenhum>\r\n\r\n"
            "Perfis de Usu\xE1rios\r\n"
            "-------------\r\n"
            "    Perfil de Todos os Usu\xE1rios : CasaAzul\r\n"
            "    Perfil de Todos os Usu\xE1rios : Biblioteca\r\n"
            "\r\n");
  Radio none("network \"A\" Aberta Nenhuma\nap 00:00:00:00:00:01 10 802.11g\n");
  EXPECT_NE(none.Out({"wlan", "show", "profiles"}).find("-------------\r\n    <Nenhum>\r\n"), std::string::npos);
}

TEST(NetshSimText, HiddenNetworkHasAnEmptyName) {
  Radio radio(kSmall + "network \"\" WPA2-Personal CCMP key=oculta123\nap 52:00:00:00:00:01 30 802.11n\n");
  std::string t = radio.Out({"wlan", "show", "networks", "mode=bssid"});
  EXPECT_NE(t.find("\r\nSSID 3 : \r\n    Tipo de rede            : Infraestrutura\r\n"), std::string::npos);
  EXPECT_NE(t.find("H\xE1 3 redes"), std::string::npos);
  // Its profile names the empty SSID; name= alone then connects to it.
  std::string xml = radio.WriteFile("h.xml", ProfileText("\r\n", "oculta123", false));
  EXPECT_EQ(radio.Run({"wlan", "add", "profile", "filename=" + xml}).status, 0);
  EXPECT_TRUE(HasSuccessWord(radio.Out({"wlan", "connect", "name="})));
  EXPECT_NE(radio.Out({"wlan", "show", "interfaces"}).find("    SSID                   : \r\n"), std::string::npos);
}

TEST(NetshSimProfile, EveryByteOfANameIsWellFormedAndReadBackExactly) {
  Radio radio(kSmall);
  for (int first = 0x20; first <= 0xFF; first += 32) {
    std::string name;
    for (int c = first; c < first + 32; ++c) name += static_cast<char>(c);
    std::string xml = radio.WriteFile("all.xml", ProfileText(name + "\r\n", name, false));
    // A validating parser takes the program's own profile as it stands.
    EXPECT_EQ(system(("xmllint --noout " + xml + " 2>/dev/null").c_str()), 0) << "bytes from " << first;
    NetshResult added = radio.Run({"wlan", "add", "profile", "filename=" + xml});
    EXPECT_EQ(added.status, 0) << added.out;
    EXPECT_NE(radio.Out({"wlan", "show", "profiles"}).find(" : " + name + "\r\n"), std::string::npos)
        << "bytes from " << first;
  }
}

TEST(NetshSimText, NamesAreLatin1BytesWhateverTheScenarioSpelling) {
  // UTF-8 text, a \x escape, and a line already in Latin-1 all give one byte.
  Radio radio(
      "network \"Caf\xC3\xA9 Central\" Aberta Nenhuma\nap 00:00:00:00:00:01 50 802.11n\n"
      "network \"P\\xE3o\" Aberta Nenhuma\nap 00:00:00:00:00:02 50 802.11n\n"
      "network \"Cora\xE7\xE3o\" Aberta Nenhuma\nap 00:00:00:00:00:03 50 802.11n\n"
      "network \"a\\\"b\\\\c\" Aberta Nenhuma\nap 00:00:00:00:00:04 50 802.11n\n");
  std::string t = radio.Out({"wlan", "show", "networks", "mode=bssid"});
  EXPECT_NE(t.find("SSID 1 : Caf\xE9 Central\r\n"), std::string::npos);
  EXPECT_NE(t.find("SSID 2 : P\xE3o\r\n"), std::string::npos);
  EXPECT_NE(t.find("SSID 3 : Cora\xE7\xE3o\r\n"), std::string::npos);
  EXPECT_NE(t.find("SSID 4 : a\"b\\c\r\n"), std::string::npos);
}

TEST(NetshSimText, ManyNetworksAreAllPrintedEvenBeyondAPipeBuffer) {
  Radio forty("generate 40 2\n");
  std::string t = forty.Out({"wlan", "show", "networks", "mode=bssid"});
  EXPECT_NE(t.find("H\xE1 40 redes"), std::string::npos);
  EXPECT_EQ(Count(t, "\r\nSSID "), 40u);
  EXPECT_EQ(Count(t, "    BSSID 2 "), 40u);
  EXPECT_EQ(Count(t, "Sinal"), 80u);
  EXPECT_NE(t.find("SSID 10 : Rede Gerada 10\r\n"), std::string::npos);
  EXPECT_NE(t.find("SSID 40 : Rede Gerada 40\r\n"), std::string::npos);

  Radio big("generate 300 3\n");
  std::string b = big.Out({"wlan", "show", "networks", "mode=bssid"});
  EXPECT_GT(b.size(), 65536u);
  EXPECT_EQ(Count(b, "\r\nSSID "), 300u);
  EXPECT_EQ(b.substr(b.size() - 2), "\r\n");
  EXPECT_NE(b.find("SSID 300 : Rede Gerada 300\r\n"), std::string::npos);
}

TEST(NetshSimSwitches, SlowAnswersAfterTheDelayAndCompletely) {
  Radio radio(kSmall + "delay 300\n");
  auto start = std::chrono::steady_clock::now();
  NetshResult r = radio.Run({"wlan", "show", "networks", "mode=bssid"});
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_GE(ms.count(), 300);
  EXPECT_EQ(r.out, kExampleNetworks);
  // An association slower than every other answer: only connect waits for it.
  Radio slow(kSmall + "associate 300\n");
  EXPECT_EQ(slow.Out({"wlan", "show", "networks", "mode=bssid"}), kExampleNetworks);
  start = std::chrono::steady_clock::now();
  NetshResult c = slow.Run({"wlan", "connect", "name=CasaAzul"});
  EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count(), 300);
  EXPECT_TRUE(HasSuccessWord(c.out));
}

TEST(NetshSimSwitches, SilentPrintsNothingAndChangesNothing) {
  Radio radio(kSmall + "silent\n");
  for (auto args : std::vector<std::vector<std::string>>{{"wlan", "show", "interfaces"},
                                                         {"wlan", "show", "networks", "mode=bssid"},
                                                         {"wlan", "show", "profiles"},
                                                         {"wlan", "delete", "profile", "name=CasaAzul"},
                                                         {"wlan", "disconnect"}}) {
    NetshResult r = radio.Run(args);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
  }
  EXPECT_FALSE(FileExists(radio.StatePath()));
}

TEST(NetshSimSwitches, FailingServiceAndMissingInterface) {
  const std::string stopped =
      "O Servi\xE7o de Configura\xE7\xE3o Autom\xE1tica de Rede Sem Fio (wlansvc) n\xE3o est\xE1 em "
      "execu\xE7\xE3o.\r\n";
  const std::string no_iface = "N\xE3o h\xE1 nenhuma interface sem fio no sistema.\r\n";
  Radio service(kSmall + "fail service\n");
  Radio iface(kSmall + "fail interface\n");
  for (auto args : std::vector<std::vector<std::string>>{{"wlan", "show", "interfaces"},
                                                         {"wlan", "show", "networks", "mode=bssid"},
                                                         {"wlan", "show", "profiles"},
                                                         {"wlan", "connect", "CasaAzul"},
                                                         {"wlan", "delete", "profile", "name=CasaAzul"},
                                                         {"wlan", "disconnect"}}) {
    EXPECT_EQ(service.Out(args), stopped);
    EXPECT_EQ(iface.Out(args), no_iface);
  }
  // Nothing was deleted: no state was ever written.
  EXPECT_FALSE(FileExists(service.StatePath()));
  EXPECT_FALSE(FileExists(iface.StatePath()));
  EXPECT_EQ(service.Out({"wlan", "show", "networks"}).find("SSID 1"), std::string::npos);
}

TEST(NetshSimState, ConnectDisconnectAndAddProfilePersistAcrossCalls) {
  Radio radio(kSmall + "network \"Padaria P\xC3\xA3o Quente\" WPA2-Personal CCMP key=paoquente77\n"
                       "ap 18:0f:76:5e:01:9a 54 802.11n\n");
  const std::string padaria = "Padaria P\xE3o Quente";
  // No profile yet: refused, and nothing changes.
  NetshResult r = radio.Run({"wlan", "connect", padaria});
  EXPECT_EQ(r.out, "N\xE3o h\xE1 nenhum perfil \"" + padaria + "\" atribu\xED" "do \xE0 interface \"Wi-Fi\".\r\n");
  EXPECT_FALSE(HasSuccessWord(r.out));

  std::string xml = radio.WriteFile("zelnar.xml", ProfileXml(padaria, "paoquente77"));
  EXPECT_EQ(radio.Out({"wlan", "add", "profile", "filename=" + xml}),
            "O perfil " + padaria + " foi adicionado na interface Wi-Fi.\r\n");
  EXPECT_NE(radio.Out({"wlan", "show", "profiles"}).find("Usu\xE1rios : " + padaria + "\r\n"), std::string::npos);
  EXPECT_EQ(radio.Out({"wlan", "add", "profile", "filename=" + xml}),
            "O perfil " + padaria + " foi atualizado na interface Wi-Fi.\r\n");

  // The program hands the raw name, line end included: it is not part of it.
  EXPECT_EQ(radio.Out({"wlan", "connect", padaria + "\r\n"}), "Solicita\xE7\xE3o de conex\xE3o conclu\xED" "da com \xEAxito.\r\n");
  std::string iface = radio.Out({"wlan", "show", "interfaces"});
  EXPECT_NE(iface.find("    SSID                   : " + padaria + "\r\n"), std::string::npos);
  EXPECT_EQ(iface.find("CasaAzul"), std::string::npos);

  EXPECT_EQ(radio.Out({"wlan", "disconnect"}),
            "Solicita\xE7\xE3o de desconex\xE3o conclu\xED" "da com \xEAxito para a interface \"Wi-Fi\".\r\n");
  EXPECT_NE(radio.Out({"wlan", "show", "interfaces"}).find("Estado                 : desconectado"),
            std::string::npos);
  // name= works as well as the plain word.
  EXPECT_TRUE(HasSuccessWord(radio.Out({"wlan", "connect", "name=CasaAzul"})));
  EXPECT_NE(radio.Out({"wlan", "show", "interfaces"}).find(": CasaAzul\r\n"), std::string::npos);
  struct stat st;
  ASSERT_EQ(stat(radio.StatePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(NetshSimState, AnotherScenarioStartsFromItsOwnPoint) {
  Radio radio(kSmall);
  ASSERT_TRUE(HasSuccessWord(radio.Out({"wlan", "disconnect"})));
  TempDir other;
  std::string scenario = other.Write("b.scenario", kSmall);
  // Same state file, other scenario: the old state does not leak into it.
  NetshResult r = RunNetsh({"wlan", "show", "interfaces"},
                           {"ZELNAR_WIFI=sim:" + scenario, "ZELNAR_WIFI_STATE=" + radio.StatePath()});
  EXPECT_NE(r.out.find("Estado                 : conectado"), std::string::npos);
}

TEST(NetshSimState, ConcurrentCallsKeepEveryChange) {
  Radio radio(kSmall);
  const int kCalls = 16;
  std::vector<std::string> files;
  for (int i = 0; i < kCalls; ++i)
    files.push_back(radio.WriteFile("p" + std::to_string(i) + ".xml", ProfileXml("Perfil " + std::to_string(i), "chave12345")));
  std::vector<std::thread> threads;
  std::vector<NetshResult> results(kCalls);
  for (int i = 0; i < kCalls; ++i)
    threads.emplace_back([&, i] {
      results[i] = radio.Run({"wlan", "add", "profile", "filename=" + files[i]});
      radio.Run(i % 2 ? std::vector<std::string>{"wlan", "disconnect"}
                      : std::vector<std::string>{"wlan", "connect", "CasaAzul"});
    });
  for (std::thread& t : threads) t.join();
  std::string profiles = radio.Out({"wlan", "show", "profiles"});
  for (int i = 0; i < kCalls; ++i) {
    EXPECT_NE(results[i].out.find("foi adicionado"), std::string::npos) << i;
    EXPECT_EQ(Count(profiles, ": Perfil " + std::to_string(i) + "\r\n"), 1u) << i;
  }
  EXPECT_EQ(Count(profiles, "Perfil de Todos"), kCalls + 1u);
  std::string state = ReadFileBytes(radio.StatePath());
  EXPECT_EQ(state.rfind("zelnar-wifi-state 1\n", 0), 0u);
}

TEST(NetshSimConnect, FailuresAreSentencesWithoutTheSuccessWord) {
  Radio radio(kSmall +
              "network \"Escrit\xC3\xB3rio\" WPA2-Personal CCMP key=certa12345\nap 9c:00:00:00:00:01 47 802.11ac\n"
              "profile \"Escrit\xC3\xB3rio\" key=errada1234\n"
              "profile \"Longe Daqui\" key=qualquer99\n");
  NetshResult wrong = radio.Run({"wlan", "connect", "Escrit\xF3rio"});
  EXPECT_EQ(wrong.out, "Falha ao conectar \xE0 rede \"Escrit\xF3rio\": a chave de seguran\xE7" "a da rede n\xE3o est\xE1 correta.\r\n");
  NetshResult far = radio.Run({"wlan", "connect", "Longe Daqui"});
  EXPECT_EQ(far.out, "A rede especificada pelo perfil \"Longe Daqui\" n\xE3o est\xE1 dispon\xEDvel para conex\xE3o.\r\n");
  NetshResult none = radio.Run({"wlan", "connect", "Biblioteca"});
  EXPECT_NE(none.out.find("N\xE3o h\xE1 nenhum perfil \"Biblioteca\""), std::string::npos);
  NetshResult empty = radio.Run({"wlan", "connect"});
  EXPECT_NE(empty.out.find("obrigat\xF3rio"), std::string::npos);
  // name= alone names the hidden network, which has no profile here.
  EXPECT_NE(radio.Out({"wlan", "connect", "name=\r\n"}).find("N\xE3o h\xE1 nenhum perfil \"\""), std::string::npos);
  for (const NetshResult* r : {&wrong, &far, &none, &empty}) {
    EXPECT_FALSE(HasSuccessWord(r->out));
    EXPECT_NE(r->status, 0);
  }
  // None of them changed the connection.
  EXPECT_NE(radio.Out({"wlan", "show", "interfaces"}).find(": CasaAzul\r\n"), std::string::npos);
  // The right key replaces the wrong one.
  std::string xml = radio.WriteFile("e.xml", ProfileXml("Escrit\xF3rio", "certa12345"));
  EXPECT_NE(radio.Out({"wlan", "add", "profile", "filename=" + xml}).find("atualizado"), std::string::npos);
  EXPECT_TRUE(HasSuccessWord(radio.Out({"wlan", "connect", "Escrit\xF3rio"})));
}

TEST(NetshSimConnect, OpenNetworkNeedsAProfileButNoKey) {
  Radio radio(kSmall);
  EXPECT_FALSE(HasSuccessWord(radio.Out({"wlan", "connect", "Biblioteca"})));
  std::string xml = radio.WriteFile("open.xml", ProfileXml("Biblioteca", "", true));
  EXPECT_NE(radio.Out({"wlan", "add", "profile", "filename=" + xml}).find("adicionado"), std::string::npos);
  EXPECT_TRUE(HasSuccessWord(radio.Out({"wlan", "connect", "Biblioteca"})));
  // An open profile cannot reach a secured network.
  radio.Out({"wlan", "add", "profile", "filename=" + radio.WriteFile("casa.xml", ProfileXml("CasaAzul", "", true))});
  EXPECT_FALSE(HasSuccessWord(radio.Out({"wlan", "connect", "CasaAzul"})));
}

TEST(NetshSimConnect, HostileNamesAreJustBytes) {
  const std::vector<std::string> names = {"a\" & touch PWNED & \"", "$(touch PWNED)", "`touch PWNED`",
                                          "x; touch PWNED", "<b>&amp;</b> | >PWNED"};
  std::string scenario;
  for (size_t i = 0; i < names.size(); ++i) {
    std::string quoted;
    for (char c : names[i]) quoted += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    scenario += "network \"" + quoted + "\" WPA2-Personal CCMP key=chave" + std::to_string(1000 + i) + "\n";
    scenario += "ap 02:00:00:00:00:0" + std::to_string(i) + " 50 802.11n\n";
  }
  Radio radio(scenario);
  std::string t = radio.Out({"wlan", "show", "networks", "mode=bssid"});
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_NE(t.find("SSID " + std::to_string(i + 1) + " : " + names[i] + "\r\n"), std::string::npos) << names[i];
    std::string xml = radio.WriteFile("h" + std::to_string(i) + ".xml",
                                      ProfileXml(names[i], "chave" + std::to_string(1000 + i)));
    EXPECT_NE(radio.Out({"wlan", "add", "profile", "filename=" + xml}).find("adicionado"), std::string::npos);
    EXPECT_TRUE(HasSuccessWord(radio.Out({"wlan", "connect", names[i] + "\r\n"}))) << names[i];
    EXPECT_NE(radio.Out({"wlan", "show", "interfaces"}).find(": " + names[i] + "\r\n"), std::string::npos);
  }
  EXPECT_FALSE(FileExists("PWNED"));
}

TEST(NetshSimProfile, BadFilesAndTheNameFallback) {
  Radio radio(kSmall);
  EXPECT_EQ(radio.Out({"wlan", "add", "profile", "filename=/nonexistent/zelnar.xml"}),
            "O sistema n\xE3o pode encontrar o arquivo especificado.\r\n");
  std::string bad = radio.WriteFile("bad.xml", "<WLANProfile><name>x</name>");
  EXPECT_EQ(radio.Out({"wlan", "add", "profile", "filename=" + bad}),
            "Erro de formato de perfil 0x80420011:\r\nO perfil de conex\xE3o de rede est\xE1 corrompido.\r\n");
  std::string badhex = radio.WriteFile("badhex.xml", ProfileXml("Biblioteca", "", true));
  std::string text = ReadFileBytes(badhex);
  text.replace(text.find("<hex>") + 5, 2, "ZZ");
  radio.WriteFile("badhex.xml", text);
  EXPECT_NE(radio.Out({"wlan", "add", "profile", "filename=" + badhex}).find("corrompido"), std::string::npos);
  // Without <hex> the SSID's <name> is used, its line end trimmed.
  std::string nohex = ProfileXml("Biblioteca", "", true);
  nohex.erase(nohex.find("                        <hex>"), nohex.find("</hex>\r\n") + 8 - nohex.find("                        <hex>"));
  std::string path = radio.WriteFile("nohex.xml", nohex);
  EXPECT_NE(radio.Out({"wlan", "add", "profile", "filename=" + path}).find("adicionado"), std::string::npos);
  EXPECT_TRUE(HasSuccessWord(radio.Out({"wlan", "connect", "Biblioteca"})));
  EXPECT_EQ(Count(radio.Out({"wlan", "show", "profiles"}), "Biblioteca\r\n"), 1u);
}

TEST(NetshSimProfile, WindowsStyleAndQuotedFileNames) {
  Radio radio(kSmall);
  TempDir drives;
  drives.Write("c/kelmar/som/zelnar/zelnar.xml", ProfileXml("Biblioteca", "", true));
  NetshResult r = RunNetsh({"wlan", "add", "profile", "filename=C:\\kelmar\\som\\zelnar\\zelnar.xml"},
                           {"ZELNAR_WIFI=sim:" + radio.scenario(), "ZELNAR_WIFI_STATE=" + radio.StatePath(),
                            "ZELNAR_DRIVES=" + drives.path()});
  EXPECT_EQ(r.out, "O perfil Biblioteca foi adicionado na interface Wi-Fi.\r\n");
  std::string xml = radio.WriteFile("a b.xml", ProfileXml("Biblioteca", "", true));
  EXPECT_NE(radio.Out({"wlan", "add", "profile", "filename=\"" + xml + "\"\r\n"}).find("atualizado"),
            std::string::npos);
}

std::string DeletedText(const std::string& name) {
  return "O perfil \"" + name + "\" foi exclu\xED" "do da interface \"Wi-Fi\".\r\n";
}
std::string NotFoundText(const std::string& name) {
  return "O perfil \"" + name + "\" n\xE3o foi encontrado em nenhuma interface.\r\n";
}

TEST(NetshSimDelete, DeletedProfileIsGoneButTheConnectionStays) {
  Radio radio(kSmall + "profile \"Biblioteca\"\n");
  NetshResult r = radio.Run({"wlan", "delete", "profile", "name=CasaAzul\r\n"});
  EXPECT_EQ(r.out, DeletedText("CasaAzul"));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  std::string profiles = radio.Out({"wlan", "show", "profiles"});
  EXPECT_EQ(profiles.find(": CasaAzul\r\n"), std::string::npos);
  EXPECT_NE(profiles.find("    Perfil de Todos os Usu\xE1rios : Biblioteca\r\n"), std::string::npos);
  // Still connected to the network whose profile went away.
  std::string iface = radio.Out({"wlan", "show", "interfaces"});
  EXPECT_NE(iface.find("    Estado                 : conectado\r\n"), std::string::npos);
  EXPECT_NE(iface.find("    SSID" + std::string(19, ' ') + ": CasaAzul\r\n"), std::string::npos);
  // But it cannot be connected to again, and it cannot be deleted twice.
  ASSERT_TRUE(HasSuccessWord(radio.Out({"wlan", "disconnect"})));
  NetshResult again = radio.Run({"wlan", "connect", "CasaAzul"});
  EXPECT_EQ(again.out, "N\xE3o h\xE1 nenhum perfil \"CasaAzul\" atribu\xED" "do \xE0 interface \"Wi-Fi\".\r\n");
  NetshResult twice = radio.Run({"wlan", "delete", "profile", "name=CasaAzul"});
  EXPECT_EQ(twice.out, NotFoundText("CasaAzul"));
  EXPECT_NE(twice.status, 0);
  struct stat st;
  ASSERT_EQ(stat(radio.StatePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // Keywords in any case; a profile added back connects again.
  EXPECT_EQ(radio.Out({"WLAN", "Delete", "PROFILE", "NAME=Biblioteca"}), DeletedText("Biblioteca"));
  EXPECT_NE(radio.Out({"wlan", "show", "profiles"}).find("-------------\r\n    <Nenhum>\r\n"), std::string::npos);
  std::string xml = radio.WriteFile("casa.xml", ProfileXml("CasaAzul", "segredo123"));
  EXPECT_NE(radio.Out({"wlan", "add", "profile", "filename=" + xml}).find("adicionado"), std::string::npos);
  EXPECT_TRUE(HasSuccessWord(radio.Out({"wlan", "connect", "CasaAzul"})));
}

TEST(NetshSimDelete, UnknownOrMissingNameDeletesNothing) {
  Radio radio(kSmall);
  for (const std::string& name :
       {std::string("Biblioteca"), std::string("casaazul"), std::string("CasaAzul "), std::string("")}) {
    NetshResult r = radio.Run({"wlan", "delete", "profile", "name=" + name});
    EXPECT_EQ(r.out, NotFoundText(name));
    EXPECT_FALSE(HasSuccessWord(r.out));
    EXPECT_NE(r.status, 0);
  }
  // Only name= names the profile; without it, the usage.
  for (auto args : std::vector<std::vector<std::string>>{{"wlan", "delete", "profile"},
                                                         {"wlan", "delete", "profile", "CasaAzul"}}) {
    NetshResult r = radio.Run(args);
    EXPECT_EQ(r.out, "O par\xE2metro \"name\" \xE9 obrigat\xF3rio. Uso: delete profile name=<perfil>\r\n");
    EXPECT_NE(r.status, 0);
  }
  EXPECT_FALSE(FileExists(radio.StatePath()));
  EXPECT_EQ(Count(radio.Out({"wlan", "show", "profiles"}), ": CasaAzul\r\n"), 1u);
}

TEST(NetshSimDelete, HostileAndOptionLikeNamesDeleteExactlyThatProfile) {
  const std::vector<std::string> names = {"a\" & del PWNED & \"", "$(touch PWNED)", "--help", "-h",
                                          "name=CasaAzul", "a=b", "Caf\xE9 \"Central\"", "x; rm -rf PWNED"};
  std::string scenario = kSmall;
  for (const std::string& n : names) {
    std::string quoted;
    for (char c : n) quoted += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    scenario += "profile \"" + quoted + "\" key=qualquer99\n";
  }
  Radio radio(scenario);
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(radio.Out({"wlan", "delete", "profile", "name=" + names[i] + "\r\n"}), DeletedText(names[i]))
        << names[i];
    std::string profiles = radio.Out({"wlan", "show", "profiles"});
    EXPECT_EQ(profiles.find(": " + names[i] + "\r\n"), std::string::npos) << names[i];
    for (size_t j = i + 1; j < names.size(); ++j) EXPECT_NE(profiles.find(": " + names[j] + "\r\n"), std::string::npos);
    EXPECT_NE(profiles.find(": CasaAzul\r\n"), std::string::npos);
  }
  EXPECT_FALSE(FileExists("PWNED"));
}

TEST(NetshSimDelete, ConcurrentAddsAndDeletesKeepEveryChange) {
  Radio radio(kSmall);
  const int kCalls = 12;
  std::vector<std::string> files;
  for (int i = 0; i < 2 * kCalls; ++i)
    files.push_back(radio.WriteFile("p" + std::to_string(i) + ".xml", ProfileXml("Perfil " + std::to_string(i), "chave12345")));
  for (int i = 0; i < kCalls; ++i) ASSERT_EQ(radio.Run({"wlan", "add", "profile", "filename=" + files[i]}).status, 0);
  std::vector<std::thread> threads;
  std::vector<NetshResult> deleted(kCalls);
  for (int i = 0; i < kCalls; ++i)
    threads.emplace_back([&, i] {
      deleted[i] = radio.Run({"wlan", "delete", "profile", "name=Perfil " + std::to_string(i)});
      radio.Run({"wlan", "add", "profile", "filename=" + files[kCalls + i]});
    });
  for (std::thread& t : threads) t.join();
  std::string profiles = radio.Out({"wlan", "show", "profiles"});
  for (int i = 0; i < kCalls; ++i) {
    EXPECT_EQ(deleted[i].out, DeletedText("Perfil " + std::to_string(i)));
    EXPECT_EQ(Count(profiles, ": Perfil " + std::to_string(i) + "\r\n"), 0u) << i;
    EXPECT_EQ(Count(profiles, ": Perfil " + std::to_string(kCalls + i) + "\r\n"), 1u) << i;
  }
  EXPECT_EQ(Count(profiles, "Perfil de Todos"), kCalls + 1u);
}

TEST(NetshSimCommands, UnknownCommandsGoToTheErrorStream) {
  Radio radio(kSmall);
  NetshResult r = radio.Run({"wlan", "show", "drivers"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "O seguinte comando n\xE3o foi encontrado: wlan show drivers.\r\n");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(radio.Run({"lan", "show"}).err, "O seguinte comando n\xE3o foi encontrado: lan show.\r\n");
  // Keywords in any letter case, as netsh takes them.
  EXPECT_EQ(radio.Out({"WLAN", "Show", "Networks", "MODE=BSSID"}), kExampleNetworks);
}

TEST(NetshSimScenario, BrokenScenarioIsReportedOnTheErrorStream) {
  Radio radio("network \"Sem fecho WPA2-Personal CCMP key=x\n");
  NetshResult r = radio.Run({"wlan", "show", "networks"});
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("linha 1"), std::string::npos);
  Radio nokey("network \"A\" WPA2-Personal CCMP\n");
  EXPECT_NE(nokey.Run({"wlan", "show", "networks"}).err.find("key="), std::string::npos);
}

TEST(NetshSimScenario, DemoScenarioIsTheEmbeddedOneAndHasThePracticeCases) {
  TempDir dir;
  std::string state = "ZELNAR_WIFI_STATE=" + dir.path() + "/s";
  std::string demo = std::string(ZELNAR_SOURCE_DIR) + "/tools/netsh/demo.scenario";
  std::vector<std::string> args = {"wlan", "show", "networks", "mode=bssid"};
  std::string file = RunNetsh(args, {"ZELNAR_WIFI=sim:" + demo, state}).out;
  std::string embedded = RunNetsh(args, {"ZELNAR_WIFI=sim:", state}).out;
  EXPECT_EQ(file, embedded);
  EXPECT_GE(Count(file, "\r\nSSID "), 8u);
  EXPECT_NE(file.find(" : \r\n    Tipo de rede"), std::string::npos);        // hidden
  EXPECT_NE(file.find(" : Caf\xE9 Central\r\n"), std::string::npos);         // accented
  EXPECT_NE(file.find("    BSSID 2 "), std::string::npos);                   // two access points
  EXPECT_NE(file.find(": Aberta\r\n"), std::string::npos);                   // open
  std::string iface = RunNetsh({"wlan", "show", "interfaces"}, {"ZELNAR_WIFI=sim:", state}).out;
  EXPECT_NE(iface.find("conectado"), std::string::npos);
  std::string profiles = RunNetsh({"wlan", "show", "profiles"}, {"ZELNAR_WIFI=sim:", state}).out;
  EXPECT_GE(Count(profiles, "Perfil de Todos"), 2u);
}
}  // namespace
