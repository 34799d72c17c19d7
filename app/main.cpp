#include "app/zelnar.h"
#include "speech/speech.h"

int main() {
  InitSpeechModule();  // before anything else: the start-up directory
  RunZelnar();
}
