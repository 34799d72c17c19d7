// Looking through the calls a recording double wrote down.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

// Index of the first call at or after from; npos when absent.
inline size_t FindCall(const std::vector<std::string>& calls, const std::string& call, size_t from = 0) {
  for (size_t i = from; i < calls.size(); ++i)
    if (calls[i] == call) return i;
  return std::string::npos;
}

// Each expected call is there, in this order (others may stand between).
inline void ExpectCallsInOrder(const std::vector<std::string>& calls, const std::vector<std::string>& expected) {
  size_t at = 0;
  for (const std::string& c : expected) {
    size_t i = FindCall(calls, c, at);
    ASSERT_NE(i, std::string::npos) << "missing, or out of order: " << c;
    at = i + 1;
  }
}
