// The program's start-up, its main cycle and its end.
#pragma once

// Start-up, then the main cycle for ever; ends through EndProgram or the console.
[[noreturn]] void RunZelnar();
void ShowSplash();
void MainPass();
[[noreturn]] void EndProgram();
