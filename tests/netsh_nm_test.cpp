// build/netsh over NetworkManager, with a fake nmcli first on PATH that
// replays recorded answers (tests/data/nmcli) and records every call.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/netsh_child.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;

namespace {
using Call = std::vector<std::string>;

const std::string kUuidCafe = "5b0c2a3e-7f41-4c55-9a1e-0d3b2c4f6a10";
const std::string kUuidIkebukuro = "7d2e4f60-1a3b-4c5d-8e9f-a0b1c2d3e4f5";
const std::string kUuidDois = "3f9a8b7c-6d5e-4f30-a1b2-c3d4e5f60718";
const std::string kStopped =
    "O Servi\xE7o de Configura\xE7\xE3o Autom\xE1tica de Rede Sem Fio (wlansvc) n\xE3o est\xE1 em "
    "execu\xE7\xE3o.\r\n";

bool HasSuccessWord(const std::string& s) { return s.find("\xEAxito") != std::string::npos; }

class FakeNm {
 public:
  FakeNm() {
    std::string src = std::string(ZELNAR_SOURCE_DIR) + "/tests/data/nmcli";
    fs::create_directories(dir_.path() + "/bin");
    fs::create_directories(dir_.path() + "/data");
    fs::create_directories(dir_.path() + "/run");
    for (const auto& e : fs::directory_iterator(src)) {
      std::string name = e.path().filename().string();
      fs::copy_file(e.path(), dir_.path() + (name == "nmcli" ? "/bin/" : "/data/") + name);
    }
  }
  NetshResult Run(const std::vector<std::string>& args, const std::string& backend = "nm") const {
    return RunNetsh(args, {"ZELNAR_WIFI=" + backend, "PATH=" + dir_.path() + "/bin:/usr/bin:/bin",
                           "FAKE_NMCLI_LOG=" + Log(), "FAKE_NMCLI_DATA=" + dir_.path() + "/data",
                           "XDG_RUNTIME_DIR=" + dir_.path() + "/run"});
  }
  std::string Out(const std::vector<std::string>& args) const { return Run(args).out; }
  // Replaces a recorded answer (NAME.out, NAME.err or NAME.rc).
  void Answer(const std::string& file, const std::string& text) const { dir_.Write("data/" + file, text); }
  void Forget(const std::string& file) const { fs::remove(dir_.path() + "/data/" + file); }
  std::string Write(const std::string& name, const std::string& bytes) const { return dir_.Write(name, bytes); }
  std::string EditorInput() const { return ReadFileBytes(dir_.path() + "/data/edit.stdin"); }
  std::string Log() const { return dir_.path() + "/calls.log"; }
  std::vector<Call> Calls() const {
    std::vector<Call> calls(1);
    std::string log = ReadFileBytes(Log());
    size_t pos = 0;
    while (pos < log.size()) {
      size_t end = log.find('\n', pos);
      std::string line = log.substr(pos, end - pos);
      pos = end + 1;
      if (line == "--") calls.emplace_back();
      else calls.back().push_back(line);
    }
    calls.pop_back();
    return calls;
  }
  void ClearCalls() const { fs::remove(Log()); }

 private:
  TempDir dir_;
};

const Call kDevices = {"-t", "-f", "DEVICE,TYPE,STATE,CONNECTION", "device"};
const Call kWifiList = {"-t",   "-f",       "ACTIVE,SSID-HEX,BSSID,MODE,CHAN,SIGNAL,SECURITY",
                        "device", "wifi",   "list",
                        "--rescan", "no",   "ifname",
                        "wlp2s0"};
const Call kConnections = {"-t", "-f", "NAME,UUID,TYPE", "connection", "show"};

TEST(NetshNm, NetworksGroupedBySsidBytesInLatin1) {
  FakeNm nm;
  auto ap = [](int n, const std::string& bssid, int signal, const std::string& radio, int channel) {
    return "    BSSID " + std::to_string(n) + "                 : " + bssid + "\r\n         Sinal             : " +
           std::to_string(signal) + "%\r\n         Tipo de r\xE1" "dio      : " + radio +
           "\r\n         Canal              : " + std::to_string(channel) + "\r\n";
  };
  auto net = [](int n, const std::string& name, const std::string& auth, const std::string& cipher) {
    return "SSID " + std::to_string(n) + " : " + name + "\r\n    Tipo de rede            : Infraestrutura\r\n" +
           "    Autentica\xE7\xE3o            : " + auth + "\r\n    Criptografia            : " + cipher + "\r\n";
  };
  std::string expected = "Nome da interface : wlp2s0\r\nH\xE1 6 redes vis\xEDveis no momento.\r\n\r\n" +
                         net(1, "Caf\xE9 Central", "WPA2-Personal", "CCMP") +
                         ap(1, "3c:84:6a:10:22:01", 72, "802.11ac", 36) + ap(2, "3c:84:6a:10:22:02", 41, "802.11n", 11) +
                         net(2, "Biblioteca", "Aberta", "Nenhuma") + ap(1, "66:77:88:99:aa:bb", 40, "802.11n", 1) +
                         net(3, "", "WPA2-Personal", "CCMP") + ap(1, "52:0f:76:5e:01:9b", 30, "802.11n", 11) +
                         net(4, "?? Caf\xE9", "WPA2-Personal", "CCMP") + ap(1, "a0:8c:fd:91:00:7e", 55, "802.11n", 6) +
                         net(5, "Latin\xE9", "WPA2-Personal", "CCMP") + ap(1, "00:1a:2b:3c:4d:5e", 20, "802.11n", 6) +
                         net(6, "Rede:Dois", "WPA3-Personal", "CCMP") + ap(1, "e4:8d:8c:71:33:02", 18, "802.11n", 1);
  NetshResult r = nm.Run({"wlan", "show", "networks", "mode=bssid"});
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(nm.Calls(), (std::vector<Call>{kDevices, kWifiList}));
}

TEST(NetshNm, LineEndsInsideAnSsidDoNotBreakTheLayout) {
  FakeNm nm;
  // "Ca\r\nsa" and a name with a zero byte, as SSID-HEX gives them.
  nm.Answer("wifi-list.out", "no:43610D0A7361:02\\:00\\:00\\:00\\:00\\:01:Infra:1:50:WPA2\n"
                             "no:410042:02\\:00\\:00\\:00\\:00\\:02:Infra:1:50:WPA2\n");
  std::string t = nm.Out({"wlan", "show", "networks", "mode=bssid"});
  EXPECT_NE(t.find("SSID 1 : Ca??sa\r\n    Tipo de rede"), std::string::npos);
  EXPECT_NE(t.find("SSID 2 : A?B\r\n    Tipo de rede"), std::string::npos);
  EXPECT_EQ(t.find(std::string(1, '\0')), std::string::npos);
  // The shown name still finds the exact bytes for a new profile.
  std::string xml = nm.Write("z.xml", ProfileXml("Ca??sa", "chave12345"));
  EXPECT_NE(nm.Out({"wlan", "add", "profile", "filename=" + xml}).find("adicionado"), std::string::npos);
  // One argument a line in the log: the line end inside the name is its own.
  EXPECT_NE(ReadFileBytes(nm.Log()).find("\nssid\nCa\r\nsa\nconnection.uuid\n"), std::string::npos);
}

TEST(NetshNm, InterfacesShowTheActiveAccessPoint) {
  FakeNm nm;
  std::string t = nm.Out({"wlan", "show", "interfaces"});
  EXPECT_NE(t.find("    Nome                   : wlp2s0\r\n"), std::string::npos);
  EXPECT_NE(t.find("    Estado                 : conectado\r\n"), std::string::npos);
  EXPECT_NE(t.find("    SSID" + std::string(19, ' ') + ": Caf\xE9 Central\r\n"), std::string::npos);
  EXPECT_NE(t.find("    BSSID                  : 3c:84:6a:10:22:01\r\n"), std::string::npos);
  EXPECT_NE(t.find("    Sinal                  : 72%\r\n"), std::string::npos);
  EXPECT_NE(t.find("    Perfil                 : Caf\xE9 Central\r\n"), std::string::npos);
  EXPECT_EQ(nm.Calls(), (std::vector<Call>{kDevices, kWifiList}));

  nm.Answer("devices.out", "wlp2s0:wifi:disconnected:\n");
  nm.ClearCalls();
  t = nm.Out({"wlan", "show", "interfaces"});
  EXPECT_NE(t.find("    Estado                 : desconectado\r\n"), std::string::npos);
  EXPECT_EQ(t.find("SSID"), std::string::npos);
  EXPECT_EQ(nm.Calls(), (std::vector<Call>{kDevices}));
}

TEST(NetshNm, SavedWifiConnectionsAreTheProfiles) {
  FakeNm nm;
  std::string t = nm.Out({"wlan", "show", "profiles"});
  EXPECT_NE(t.find("Perfis na interface wlp2s0:"), std::string::npos);
  EXPECT_NE(t.find("    Perfil de Todos os Usu\xE1rios : Caf\xE9 Central\r\n"), std::string::npos);
  EXPECT_NE(t.find("    Perfil de Todos os Usu\xE1rios : ?? Caf\xE9\r\n"), std::string::npos);
  EXPECT_NE(t.find("    Perfil de Todos os Usu\xE1rios : Rede:Dois\r\n"), std::string::npos);
  EXPECT_EQ(t.find("Wired"), std::string::npos);
  EXPECT_EQ(nm.Calls(), (std::vector<Call>{kDevices, kConnections}));
}

TEST(NetshNm, ConnectActivatesTheSavedConnection) {
  FakeNm nm;
  NetshResult r = nm.Run({"wlan", "connect", "Caf\xE9 Central\r\n"});
  EXPECT_EQ(r.out, "Solicita\xE7\xE3o de conex\xE3o conclu\xED" "da com \xEAxito.\r\n");
  EXPECT_EQ(nm.Calls(), (std::vector<Call>{kDevices, kConnections,
                                           {"-w", "20", "connection", "up", "uuid", kUuidCafe, "ifname", "wlp2s0"}}));
  // A name Latin-1 cannot hold is shown with '?', and that name connects.
  nm.ClearCalls();
  EXPECT_TRUE(HasSuccessWord(nm.Out({"wlan", "connect", "name=?? Caf\xE9"})));
  EXPECT_EQ(nm.Calls().back(), (Call{"-w", "20", "connection", "up", "uuid", kUuidIkebukuro, "ifname", "wlp2s0"}));
}

TEST(NetshNm, ConnectFailuresHaveNoSuccessWord) {
  FakeNm nm;
  NetshResult none = nm.Run({"wlan", "connect", "Biblioteca"});
  EXPECT_EQ(none.out, "N\xE3o h\xE1 nenhum perfil \"Biblioteca\" atribu\xED" "do \xE0 interface \"wlp2s0\".\r\n");
  EXPECT_EQ(nm.Calls().size(), 2u);  // nothing activated
  NetshResult secrets = nm.Run({"wlan", "connect", "Rede:Dois"});
  EXPECT_EQ(secrets.out, "Falha ao conectar \xE0 rede \"Rede:Dois\": a chave de seguran\xE7" "a da rede n\xE3o est\xE1 correta.\r\n");
  nm.Answer("up-" + kUuidCafe + ".err",
            "Error: Connection activation failed: No suitable device found for this connection (device wlp2s0 "
            "not available because profile is not compatible with device (no access point with SSID "
            "'Caf\xC3\xA9 Central')).\n");
  nm.Answer("up-" + kUuidCafe + ".rc", "4\n");
  nm.Forget("up-" + kUuidCafe + ".out");
  NetshResult far = nm.Run({"wlan", "connect", "Caf\xE9 Central"});
  EXPECT_EQ(far.out, "A rede especificada pelo perfil \"Caf\xE9 Central\" n\xE3o est\xE1 dispon\xEDvel para conex\xE3o.\r\n");
  nm.Answer("up-" + kUuidCafe + ".err", "Error: Timeout expired (20 seconds)\n");
  NetshResult other = nm.Run({"wlan", "connect", "Caf\xE9 Central"});
  EXPECT_EQ(other.out, "Falha na solicita\xE7\xE3o de conex\xE3o: Error: Timeout expired (20 seconds)\r\n");
  for (const NetshResult* r : {&none, &secrets, &far, &other}) {
    EXPECT_FALSE(HasSuccessWord(r->out));
    EXPECT_NE(r->status, 0);
  }
}

TEST(NetshNm, DisconnectTheWifiDevice) {
  FakeNm nm;
  EXPECT_EQ(nm.Out({"wlan", "disconnect"}),
            "Solicita\xE7\xE3o de desconex\xE3o conclu\xED" "da com \xEAxito para a interface \"wlp2s0\".\r\n");
  EXPECT_EQ(nm.Calls(), (std::vector<Call>{kDevices, {"device", "disconnect", "wlp2s0"}}));
  nm.Answer("disconnect.err", "Error: Device 'wlp2s0' (/org/freedesktop/NetworkManager/Devices/3) disconnecting failed.\n");
  nm.Answer("disconnect.rc", "4\n");
  NetshResult r = nm.Run({"wlan", "disconnect"});
  EXPECT_FALSE(HasSuccessWord(r.out));
  EXPECT_NE(r.out.find("Falha na solicita\xE7\xE3o de desconex\xE3o: Error: Device"), std::string::npos);
}

Call DeleteCall(const std::string& uuid) { return {"connection", "delete", "uuid", uuid}; }

TEST(NetshNm, DeleteProfileDeletesTheSavedConnectionByUuid) {
  FakeNm nm;
  NetshResult r = nm.Run({"wlan", "delete", "profile", "name=Caf\xE9 Central\r\n"});
  EXPECT_EQ(r.out, "O perfil \"Caf\xE9 Central\" foi exclu\xED" "do da interface \"wlp2s0\".\r\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(nm.Calls(), (std::vector<Call>{kDevices, kConnections, DeleteCall(kUuidCafe)}));
  // Names as show profiles shows them: '?' for what Latin-1 cannot hold, ':' unescaped.
  nm.ClearCalls();
  EXPECT_EQ(nm.Out({"wlan", "delete", "profile", "name=?? Caf\xE9"}),
            "O perfil \"?? Caf\xE9\" foi exclu\xED" "do da interface \"wlp2s0\".\r\n");
  EXPECT_EQ(nm.Calls().back(), DeleteCall(kUuidIkebukuro));
  nm.ClearCalls();
  EXPECT_EQ(nm.Run({"wlan", "delete", "profile", "name=Rede:Dois"}).status, 0);
  EXPECT_EQ(nm.Calls().back(), DeleteCall(kUuidDois));
}

TEST(NetshNm, DeleteProfileOfAnUnknownNameRunsNoDelete) {
  FakeNm nm;
  // Not saved, a wired connection, a different case, and an SSID in range without a profile.
  for (const std::string& name : {std::string("Padaria"), std::string("Wired connection 1"),
                                  std::string("caf\xE9 central"), std::string("Biblioteca")}) {
    nm.ClearCalls();
    NetshResult r = nm.Run({"wlan", "delete", "profile", "name=" + name});
    EXPECT_EQ(r.out, "O perfil \"" + name + "\" n\xE3o foi encontrado em nenhuma interface.\r\n");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(nm.Calls(), (std::vector<Call>{kDevices, kConnections})) << name;
  }
  // No name= at all: nothing asked of NetworkManager beyond the device.
  nm.ClearCalls();
  NetshResult r = nm.Run({"wlan", "delete", "profile", "Caf\xE9 Central"});
  EXPECT_EQ(r.out, "O par\xE2metro \"name\" \xE9 obrigat\xF3rio. Uso: delete profile name=<perfil>\r\n");
  EXPECT_EQ(nm.Calls(), (std::vector<Call>{kDevices}));
}

TEST(NetshNm, DeleteProfileNamesNeverReachTheCommandLine) {
  FakeNm nm;
  // Two connections shown alike (UTF-8 and Latin-1 bytes), and names that look like options.
  nm.Answer("connections.out",
            "Caf\xC3\xA9 Central:11111111-1111-4111-8111-111111111111:802-11-wireless\n"
            "Caf\xE9 Central:22222222-2222-4222-8222-222222222222:802-11-wireless\n"
            "--help:33333333-3333-4333-8333-333333333333:802-11-wireless\n"
            "id:44444444-4444-4444-8444-444444444444:802-11-wireless\n"
            "Outra:55555555-5555-4555-8555-555555555555:802-11-wireless\n");
  EXPECT_EQ(nm.Run({"wlan", "delete", "profile", "name=Caf\xE9 Central"}).status, 0);
  EXPECT_EQ(nm.Calls(), (std::vector<Call>{kDevices, kConnections, DeleteCall("11111111-1111-4111-8111-111111111111"),
                                           DeleteCall("22222222-2222-4222-8222-222222222222")}));
  for (const auto& [name, uuid] : std::vector<std::pair<std::string, std::string>>{
           {"--help", "33333333-3333-4333-8333-333333333333"}, {"id", "44444444-4444-4444-8444-444444444444"}}) {
    nm.ClearCalls();
    EXPECT_EQ(nm.Out({"wlan", "delete", "profile", "name=" + name}),
              "O perfil \"" + name + "\" foi exclu\xED" "do da interface \"wlp2s0\".\r\n");
    std::vector<Call> calls = nm.Calls();
    EXPECT_EQ(calls.back(), DeleteCall(uuid));
    for (const Call& c : calls)
      for (const std::string& a : c) EXPECT_NE(a, name);
  }
}

TEST(NetshNm, DeleteProfileFailureHasNoSuccessWord) {
  FakeNm nm;
  nm.Forget("delete-" + kUuidCafe + ".out");
  nm.Answer("delete-" + kUuidCafe + ".err",
            "Error: Connection deletion failed: Insufficient privileges.\n");
  nm.Answer("delete-" + kUuidCafe + ".rc", "4\n");
  NetshResult r = nm.Run({"wlan", "delete", "profile", "name=Caf\xE9 Central"});
  // polkit's refusal, in words the user can act on.
  EXPECT_EQ(r.out, "Falha ao excluir o perfil: o NetworkManager n\xE3o deixou este usu\xE1rio alterar as redes sem fio. "
                   "Use o Zelnar numa sess\xE3o aberta no pr\xF3prio computador, ou com sudo, ou pe\xE7" "a ao "
                   "administrador que ponha seu usu\xE1rio no grupo netdev.\r\n");
  EXPECT_FALSE(HasSuccessWord(r.out));
  EXPECT_NE(r.status, 0);
}

TEST(NetshNm, AddProfileGivesTheKeyToTheEditorOnly) {
  FakeNm nm;
  const std::string key = "s3nh@ \"$(secreta)\";`x`";
  // The program knows this network as "?? Caf\xE9"; NetworkManager gets its real bytes.
  std::string xml = nm.Write("zelnar.xml", ProfileXml("?? Caf\xE9", key));
  NetshResult r = nm.Run({"wlan", "add", "profile", "filename=" + xml});
  EXPECT_EQ(r.out, "O perfil ?? Caf\xE9 foi adicionado na interface wlp2s0.\r\n");
  std::vector<Call> calls = nm.Calls();
  ASSERT_EQ(calls.size(), 5u);
  const Call& add = calls[3];
  ASSERT_GE(add.size(), 14u);  // and the owner, when not run as root
  EXPECT_EQ(Call(add.begin(), add.begin() + 8),
            (Call{"connection", "add", "type", "wifi", "con-name", "\xE6\xB1\xA0\xE8\xA2\x8B Caf\xC3\xA9", "ssid",
                  "\xE6\xB1\xA0\xE8\xA2\x8B Caf\xC3\xA9"}));
  EXPECT_EQ(Call(add.end() - 2, add.end()), (Call{"wifi-sec.key-mgmt", "wpa-psk"}));
  EXPECT_EQ(calls[4], (Call{"connection", "edit", "uuid", add[9]}));
  EXPECT_EQ(nm.EditorInput(), "set 802-11-wireless-security.psk " + key +
                                  "\nset connection.autoconnect yes\nsave persistent\nyes\nquit\n");
  EXPECT_EQ(ReadFileBytes(nm.Log()).find("secreta"), std::string::npos);
}

TEST(NetshNm, AWpa3OnlyNetworkGetsSae) {
  FakeNm nm;
  std::string xml = nm.Write("zelnar.xml", ProfileXml("Rede:Dois", "chave-dois-2024"));
  EXPECT_EQ(nm.Run({"wlan", "add", "profile", "filename=" + xml}).status, 0);
  std::vector<Call> calls = nm.Calls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(Call(calls[3].end() - 2, calls[3].end()), (Call{"wifi-sec.key-mgmt", "sae"}));
}

// A key typed again for a network another tool saved: the connection we
// added with it is the one started.
TEST(NetshNm, ConnectPrefersTheConnectionWeAdded) {
  FakeNm nm;
  std::string xml = nm.Write("zelnar.xml", ProfileXml("Caf\xE9 Central", "nova-chave-1"));
  ASSERT_EQ(nm.Run({"wlan", "add", "profile", "filename=" + xml}).status, 0);
  const std::string ours = nm.Calls().at(3).at(9);
  nm.Answer("connections.out", ReadFileBytes(std::string(ZELNAR_SOURCE_DIR) + "/tests/data/nmcli/connections.out") +
                                   "Caf\xC3\xA9 Central:" + ours + ":802-11-wireless\n");
  nm.ClearCalls();
  nm.Run({"wlan", "connect", "name=Caf\xE9 Central"});
  EXPECT_EQ(nm.Calls().back(), (Call{"-w", "20", "connection", "up", "uuid", ours, "ifname", "wlp2s0"}));
}

TEST(NetshNm, AddProfileRefusedByPolkitIsToldAtConnect) {
  FakeNm nm;
  nm.Answer("add.err", "Error: Failed to add 'Biblioteca' connection: Insufficient privileges\n");
  nm.Answer("add.rc", "1\n");
  const std::string why =
      "o NetworkManager n\xE3o deixou este usu\xE1rio alterar as redes sem fio. Use o Zelnar numa sess\xE3o "
      "aberta no pr\xF3prio computador, ou com sudo, ou pe\xE7" "a ao administrador que ponha seu usu\xE1rio no "
      "grupo netdev.\r\n";
  std::string xml = nm.Write("k.xml", ProfileXml("Biblioteca", "chave12345"));
  EXPECT_EQ(nm.Out({"wlan", "add", "profile", "filename=" + xml}), "Falha ao adicionar o perfil: " + why);
  // The program reads only the connect that follows.
  NetshResult r = nm.Run({"wlan", "connect", "name=Biblioteca"});
  EXPECT_EQ(r.out, "Falha na solicita\xE7\xE3o de conex\xE3o: " + why);
  EXPECT_NE(r.status, 0);
  // Told once: a later connect finds no profile, as before.
  EXPECT_EQ(nm.Out({"wlan", "connect", "name=Biblioteca"}),
            "N\xE3o h\xE1 nenhum perfil \"Biblioteca\" atribu\xED" "do \xE0 interface \"wlp2s0\".\r\n");
  nm.Answer("up-" + kUuidCafe + ".err", "Error: Connection activation failed: Not authorized to control networking.\n");
  nm.Answer("up-" + kUuidCafe + ".rc", "4\n");
  EXPECT_EQ(nm.Out({"wlan", "connect", "Caf\xE9 Central"}), "Falha na solicita\xE7\xE3o de conex\xE3o: " + why);
}

TEST(NetshNm, AKeyTheEditorWouldReadOtherwiseIsRefused) {
  FakeNm nm;
  const std::string why =
      "Falha ao adicionar o perfil: a chave de seguran\xE7" "a deve ter de 8 a 63 caracteres, sem espa\xE7o no "
      "come\xE7o nem no fim.\r\n";
  for (const std::string& key : {std::string("chave\nsave"), std::string(" chave123"), std::string("chave123 ")}) {
    nm.ClearCalls();
    std::string xml = nm.Write("k.xml", ProfileXml("Biblioteca", key));
    EXPECT_EQ(nm.Out({"wlan", "add", "profile", "filename=" + xml}), why);
    for (const Call& c : nm.Calls()) EXPECT_NE(c.at(1), "add");
  }
  // NetworkManager's own refusal of the key: the added connection goes again.
  nm.ClearCalls();
  nm.Answer("edit.out", "Error: connection verification failed: 802-11-wireless-security.psk: property is invalid\n");
  std::string xml = nm.Write("k.xml", ProfileXml("Biblioteca", "chave1"));
  EXPECT_EQ(nm.Out({"wlan", "add", "profile", "filename=" + xml}), why);
  EXPECT_EQ(nm.Calls().back().at(1), "delete");
}

// The hidden network: no name to give NetworkManager, told as such at connect.
TEST(NetshNm, AHiddenNetworkIsToldWhyItCannotBeJoined) {
  FakeNm nm;
  const std::string why = "a rede oculta n\xE3o mostra seu nome, e sem ele o NetworkManager n\xE3o pode conectar.\r\n";
  std::string xml = nm.Write("k.xml", ProfileXml("", "chave12345"));
  EXPECT_EQ(nm.Out({"wlan", "add", "profile", "filename=" + xml}), "Falha ao adicionar o perfil: " + why);
  EXPECT_EQ(nm.Out({"wlan", "connect", "name="}), "Falha na solicita\xE7\xE3o de conex\xE3o: " + why);
}

TEST(NetshNm, WithoutNetworkManagerTheServiceIsStopped) {
  FakeNm nm;
  // nmcli absent from PATH.
  TempDir empty;
  for (const char* backend : {"nm", ""}) {
    NetshResult r = RunNetsh({"wlan", "show", "networks", "mode=bssid"},
                             {std::string("ZELNAR_WIFI=") + backend, "PATH=" + empty.path()});
    EXPECT_EQ(r.out, kStopped);
    EXPECT_EQ(r.out.find("SSID"), std::string::npos);
  }
  // nmcli present, NetworkManager not running.
  nm.Answer("devices.err", "Error: NetworkManager is not running.\n");
  nm.Answer("devices.rc", "8\n");
  EXPECT_EQ(nm.Out({"wlan", "show", "interfaces"}), kStopped);
  EXPECT_EQ(nm.Out({"wlan", "connect", "Caf\xE9 Central"}), kStopped);
  EXPECT_EQ(nm.Out({"wlan", "delete", "profile", "name=Caf\xE9 Central"}), kStopped);
  EXPECT_EQ(nm.Run({"wlan", "show", "networks"}, "").out, kStopped);
}

// Airplane mode or the radio key: NetworkManager keeps the device, "unavailable".
TEST(NetshNm, RadioSwitchedOff) {
  FakeNm nm;
  nm.Answer("devices.out", "wlp2s0:wifi:unavailable:\n");
  const std::string off =
      "A interface de rede local sem fio est\xE1 desligada e n\xE3o oferece suporte \xE0 opera\xE7\xE3o "
      "solicitada.\r\n";
  EXPECT_EQ(nm.Out({"wlan", "show", "networks", "mode=bssid"}), off);
  EXPECT_EQ(nm.Out({"wlan", "connect", "name=Caf\xE9 Central"}), off);
  EXPECT_NE(nm.Out({"wlan", "show", "interfaces"}).find("wlp2s0"), std::string::npos);
}

TEST(NetshNm, TheUsableOfTwoAdaptersIsTheInterface) {
  FakeNm nm;
  nm.Answer("devices.out", "wlp1s0:wifi:unavailable:\nwlx00c0ca:wifi:disconnected:\n");
  nm.Out({"wlan", "show", "networks", "mode=bssid"});
  EXPECT_EQ(nm.Calls().back(), (Call{"-t", "-f", "ACTIVE,SSID-HEX,BSSID,MODE,CHAN,SIGNAL,SECURITY", "device", "wifi",
                                     "list", "--rescan", "no", "ifname", "wlx00c0ca"}));
}

TEST(NetshNm, NoWifiDevice) {
  FakeNm nm;
  nm.Answer("devices.out", "enp3s0:ethernet:connected:Wired connection 1\nlo:loopback:unmanaged:\n");
  for (auto args : std::vector<Call>{{"wlan", "show", "interfaces"}, {"wlan", "show", "networks", "mode=bssid"},
                                     {"wlan", "connect", "Caf\xE9 Central"}, {"wlan", "disconnect"},
                                     {"wlan", "delete", "profile", "name=Caf\xE9 Central"}})
    EXPECT_EQ(nm.Out(args), "N\xE3o h\xE1 nenhuma interface sem fio no sistema.\r\n");
  for (const Call& c : nm.Calls()) EXPECT_NE(c.at(0), "connection") << "nothing touched without an interface";
}

TEST(NetshNm, UnknownCommandRunsNothing) {
  FakeNm nm;
  NetshResult r = nm.Run({"wlan", "export", "profile", "name=x"});
  EXPECT_EQ(r.err, "O seguinte comando n\xE3o foi encontrado: wlan export profile name=x.\r\n");
  EXPECT_TRUE(nm.Calls().empty());
}
}  // namespace
