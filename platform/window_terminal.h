// The terminal backend's key reading, open to tests: the window events that
// the bytes a terminal sends become (a lone ESC at the end is the ESC key).
#pragma once
#include <string>
#include <vector>

#include "platform/window.h"

std::vector<WindowEvent> ParseTerminalInput(const std::string& bytes);
