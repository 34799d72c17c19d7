// The Portuguese texts of netsh, byte for byte (Latin-1, CR LF).
#include "tools/netsh/wlan.h"

namespace {
const char* const kEol = "\r\n";

std::string Pad(std::string label, size_t width) {
  if (label.size() < width) label.append(width - label.size(), ' ');
  return label;
}

// "    Label<blanks>: value": the interface block's labels take 23 characters.
std::string IfLine(const std::string& label, const std::string& value) {
  return "    " + Pad(label, 23) + ": " + value + kEol;
}
}  // namespace

std::string InterfacesText(const InterfaceInfo& iface) {
  std::string t = kEol;
  t += "H\xE1 1 interface no sistema:";
  t += kEol;
  t += kEol;
  t += IfLine("Nome", iface.name);
  t += IfLine("Descri\xE7\xE3o", iface.description);
  t += IfLine("GUID", "6f1a9c2e-4b7d-4e0a-9c3f-2d5b8e7a1c40");
  if (!iface.mac.empty()) t += IfLine("Endere\xE7o f\xEDsico", iface.mac);
  if (iface.connected) {
    const Network& n = iface.network;
    AccessPoint ap = n.aps.empty() ? AccessPoint{} : n.aps.front();
    t += IfLine("Estado", "conectado");
    t += IfLine("SSID", n.name);
    t += IfLine("BSSID", ap.bssid);
    t += IfLine("Tipo de rede", "Infraestrutura");
    t += IfLine("Tipo de r\xE1" "dio", ap.radio);
    t += IfLine("Autentica\xE7\xE3o", n.auth);
    t += IfLine("Codifica\xE7\xE3o", n.cipher);
    t += IfLine("Modo de conex\xE3o", "Conex\xE3o autom\xE1tica");
    if (ap.channel > 0) t += IfLine("Canal", std::to_string(ap.channel));
    t += IfLine("Receber taxa (Mbps)", "144.4");
    t += IfLine("Transmitir taxa (Mbps)", "144.4");
    t += IfLine("Sinal", std::to_string(ap.signal) + "%");
    t += IfLine("Perfil", iface.profile);
  } else {
    t += IfLine("Estado", "desconectado");
  }
  t += kEol;
  t += "    Status da rede hospedada  : N\xE3o dispon\xEDvel";
  t += kEol;
  t += kEol;
  return t;
}

std::string NetworksText(const std::string& iface, const std::vector<Network>& nets, bool bssid) {
  std::string t = "Nome da interface : " + iface + kEol;
  t += nets.size() == 1 ? std::string("H\xE1 1 rede vis\xEDvel no momento.")
                        : "H\xE1 " + std::to_string(nets.size()) + " redes vis\xEDveis no momento.";
  t += kEol;
  t += kEol;
  int n = 0;
  for (const Network& net : nets) {
    t += "SSID " + std::to_string(++n) + " : " + net.name + kEol;
    t += std::string("    Tipo de rede            : Infraestrutura") + kEol;
    t += "    Autentica\xE7\xE3o            : " + net.auth + kEol;
    t += "    Criptografia            : " + net.cipher + kEol;
    if (!bssid) continue;
    int k = 0;
    for (const AccessPoint& ap : net.aps) {
      t += "    " + Pad("BSSID " + std::to_string(++k), 24) + ": " + ap.bssid + kEol;
      // The value starts 20 characters after the start of "Sinal".
      t += "         Sinal             : " + std::to_string(ap.signal) + "%" + kEol;
      t += "         Tipo de r\xE1" "dio      : " + ap.radio + kEol;
      if (ap.channel > 0) t += "         Canal              : " + std::to_string(ap.channel) + kEol;
    }
  }
  return t;
}

std::string ProfilesText(const std::string& iface, const std::vector<std::string>& names) {
  std::string t = kEol;
  t += "Perfis na interface " + iface + ":" + kEol + kEol + kEol;
  t += "Perfis de Pol\xEDtica de Grupo (somente leitura)";
  t += kEol;
  t += "---------------------------------";
  t += kEol;
  t += "    <Nenhum>";
  t += kEol;
  t += kEol;
  t += "Perfis de Usu\xE1rios";
  t += kEol;
  t += "-------------";
  t += kEol;
  if (names.empty()) t += std::string("    <Nenhum>") + kEol;
  for (const std::string& name : names) t += "    Perfil de Todos os Usu\xE1rios : " + name + kEol;
  t += kEol;
  return t;
}

std::string ConnectedText() {
  return std::string("Solicita\xE7\xE3o de conex\xE3o conclu\xED" "da com \xEAxito.") + kEol;
}

std::string DisconnectedText(const std::string& iface) {
  return "Solicita\xE7\xE3o de desconex\xE3o conclu\xED" "da com \xEAxito para a interface \"" + iface +
         "\"." + kEol;
}

std::string ServiceStoppedText() {
  return std::string(
             "O Servi\xE7o de Configura\xE7\xE3o Autom\xE1tica de Rede Sem Fio (wlansvc) n\xE3o "
             "est\xE1 em execu\xE7\xE3o.") + kEol;
}

std::string RadioOffText() {
  return std::string("A interface de rede local sem fio est\xE1 desligada e n\xE3o oferece suporte \xE0 opera\xE7\xE3o "
                     "solicitada.") + kEol;
}

std::string NoInterfaceText() {
  return std::string("N\xE3o h\xE1 nenhuma interface sem fio no sistema.") + kEol;
}

std::string NoProfileText(const std::string& name, const std::string& iface) {
  return "N\xE3o h\xE1 nenhum perfil \"" + name + "\" atribu\xED" "do \xE0 interface \"" + iface +
         "\"." + kEol;
}

std::string OutOfRangeText(const std::string& name) {
  return "A rede especificada pelo perfil \"" + name +
         "\" n\xE3o est\xE1 dispon\xEDvel para conex\xE3o." + kEol;
}

std::string WrongKeyText(const std::string& name) {
  return "Falha ao conectar \xE0 rede \"" + name + "\": a chave de seguran\xE7" "a da rede n\xE3o est\xE1 correta." +
         kEol;
}

std::string ConnectFailedText(const std::string& reason) {
  return "Falha na solicita\xE7\xE3o de conex\xE3o: " + reason + kEol;
}

std::string ProfileAddedText(const std::string& name, const std::string& iface, bool updated) {
  return "O perfil " + name + (updated ? " foi atualizado" : " foi adicionado") + " na interface " +
         iface + "." + kEol;
}

std::string ProfileFailedText(const std::string& reason) {
  return "Falha ao adicionar o perfil: " + reason + kEol;
}

std::string MissingNameText(const std::string& usage) {
  return "O par\xE2metro \"name\" \xE9 obrigat\xF3rio. Uso: " + usage + " name=<perfil>" + kEol;
}

std::string ProfileDeletedText(const std::string& name, const std::string& iface) {
  return "O perfil \"" + name + "\" foi exclu\xED" "do da interface \"" + iface + "\"." + kEol;
}

std::string ProfileNotFoundText(const std::string& name) {
  return "O perfil \"" + name + "\" n\xE3o foi encontrado em nenhuma interface." + kEol;
}

std::string DeleteFailedText(const std::string& reason) {
  return "Falha ao excluir o perfil: " + reason + kEol;
}

std::string UnknownCommandText(const std::string& words) {
  return "O seguinte comando n\xE3o foi encontrado: " + words + "." + kEol;
}

std::string TrimLineEnd(std::string name) {
  while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
  return name;
}

std::string ProfileFileMissingText() {
  return std::string("O sistema n\xE3o pode encontrar o arquivo especificado.") + kEol;
}

std::string ProfileCorruptText() {
  return std::string("Erro de formato de perfil 0x80420011:") + kEol +
         "O perfil de conex\xE3o de rede est\xE1 corrompido." + kEol;
}

std::string DisconnectFailedText(const std::string& reason) {
  return "Falha na solicita\xE7\xE3o de desconex\xE3o: " + reason + kEol;
}

std::string NotAllowedText() {
  return "o NetworkManager n\xE3o deixou este usu\xE1rio alterar as redes sem fio. Use o Zelnar numa "
         "sess\xE3o aberta no pr\xF3prio computador, ou com sudo, ou pe\xE7" "a ao administrador que ponha "
         "seu usu\xE1rio no grupo netdev.";
}

std::string KeyInvalidText() {
  return "a chave de seguran\xE7" "a deve ter de 8 a 63 caracteres, sem espa\xE7o no come\xE7o nem no fim.";
}

std::string HiddenNetworkText() {
  return "a rede oculta n\xE3o mostra seu nome, e sem ele o NetworkManager n\xE3o pode conectar.";
}

std::string SsidUnusableText() {
  return "o nome desta rede n\xE3o pode ser guardado no NetworkManager.";
}

std::string NmTimeoutText() {
  return "o NetworkManager n\xE3o respondeu a tempo.";
}
