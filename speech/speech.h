// Speech start-up and finish.
#pragma once
#include <string>
#include <string_view>

// Runs before the main program: takes the start-up directory.
void InitSpeechModule();
void StartSpeech(int speed, std::string_view soundDirectory);
void FinishSpeech();
// The sound directory handed to StartSpeech.
const std::string& SoundDirectory();
