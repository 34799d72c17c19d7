// A private X server (Xvfb) for the tests of the desktop window, started
// when the test program has no display and stopped at its end.
#pragma once
#include <gtest/gtest.h>

#include <string>

class PrivateDisplay : public ::testing::Environment {
 public:
  explicit PrivateDisplay(std::string screen) : screen_(std::move(screen)) {}
  void SetUp() override;
  void TearDown() override;

 private:
  std::string screen_;  // e.g. "1280x1024x24"
  int pid_ = -1;
  int pipe_ = -1;
};
