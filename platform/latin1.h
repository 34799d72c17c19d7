// Conversions at the edges that speak UTF-8 (terminal, espeak-ng,
// NetworkManager, file names shown to the user). Inside, text is Latin-1.
#pragma once
#include <string>
#include <string_view>

std::string Latin1ToUtf8(std::string_view latin1);
// Characters Latin-1 cannot hold become `replacement`; malformed bytes too.
std::string Utf8ToLatin1(std::string_view utf8, char replacement = '?');
// Whether every character of the UTF-8 text fits in Latin-1.
bool FitsLatin1(std::string_view utf8);

// A Latin-1 literal from UTF-8 source text, converted once.
#define L1(s) Utf8ToLatin1(s)
