#include "app/messages.h"

#include "console/console.h"
#include "speech/speak.h"
#include "speech/sounds.h"

namespace {
struct Entry {
  const char* code;
  const char* text;  // Latin-1
  bool lineEnd;
};

// Letter for letter and blank for blank: the recorded files say these texts.
constexpr Entry kCatalogue[] = {
    {"ZLINIC", "Zelnar - Gerenciador de redes Wi-Fi", true},
    {"ZLDESIST", "Cancelado", true},
    {"ZLCANCEL", "Cancelado", true},
    {"ZLESTABE", "Conex\xE3" "o estabelecida", true},
    {"ZLAGUARD", "Por favor, aguarde.", true},
    {"ZLCHINV", "A chave d\xE9" "ve ter mais de 5 caract\xE9" "res.", true},
    {"ZLCHSFIO", "Digite a chave de seguran\xE7" "a da rede sem fio", true},
    {"ZLDESCON", "Rede desconectada", true},
    {"ZLERRO", "Erro na opera\xE7\xE3" "o, c\xF3" "digo: ", false},
    {"ZLLISTA", "Lista de redes dispon\xED" "veis", true},
    {"ZLSOLCON", "Solicitando conex\xE3" "o de ", false},
    {"ZLSOLDCO", "Solicitando desconex\xE3" "o de rede ", false},
    {"ZLSUCESS", "A opera\xE7\xE3" "o foi realizada com sucesso.", true},
    {"ZLCONFIM", "Confirma fim ? ", true},
    {"ZLSEMSRV", "O servi\xE7o de rede sem fio n\xE3o est\xE1 funcionando; n\xE3o h\xE1 redes para listar.", true},
    {"ZLSEMADP", "Nenhum adaptador de rede sem fio foi encontrado; n\xE3o h\xE1 redes para listar.", true},
    {"ZLSEMRAD", "A rede sem fio est\xE1 desligada; ligue-a ou saia do modo avi\xE3o e abra o Zelnar.", true},
    {"ZLFIM", "At\xE9 a pr\xF3" "xima pessoal!", true},
};

constexpr const char* kInvalid = "inv\xE1" "lida";
}  // namespace

std::string MessageText(std::string_view code, bool* lineEnd) {
  std::string text = std::string("--- Mensagem ") + kInvalid + ": " + std::string(code) + " ---";
  bool end = true;
  for (const Entry& e : kCatalogue) {
    if (code == e.code) {
      text = e.text;
      end = e.lineEnd;
      break;
    }
  }
  if (lineEnd) *lineEnd = end;
  return text;
}

std::vector<std::string> MessageCodes() {
  std::vector<std::string> codes;
  for (const Entry& e : kCatalogue) codes.emplace_back(e.code);
  return codes;
}

void SayMessage(std::string_view code) {
  bool lineEnd = true;
  std::string text = MessageText(code, &lineEnd);
  Write(text);
  if (lineEnd) WriteLn();
  else FlushOutput();
  if (text.find(kInvalid) != std::string::npos) Speak(text);
  PlayNamedSound(code);
}
