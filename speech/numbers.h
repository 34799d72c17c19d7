// Numbers said with recorded words: the words of a number, and the words
// played from their files one after the other in one sound image.
//
// Connector rule, as Brazilian Portuguese says numbers: the "e" before the
// last group is said unless that group has hundreds followed by more words
// (which already carry their own "e"): 1,001 is "mil e um", 1,021 "mil e
// vinte e um", 1,200 "mil e duzentos", but 1,234 "mil duzentos e trinta e
// quatro" and 1,105 "mil cento e cinco".
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The words of three digits; *afterHundreds tells whether an "e" was placed
// after the hundreds word.
std::string HundredsToWords(std::string_view threeDigits, bool* afterHundreds = nullptr);
// The words of group 0..4 of a 15-digit text, with the group's name.
std::string GroupToWords(std::string_view digits, int group);
// The words of n separated by spaces (Latin-1: "milhão" has code 227).
std::string NumberToWords(uint32_t n);
// The letters directory's file of one word: "_" + word, cut to 8 characters,
// + ".wav", with "ã"/"õ" as "a"/"o" and "dezessete" looked up as "dezeset".
std::string NumberWordFile(std::string_view word);
// Plays the words and returns when they have been said (or a key cut them).
void PlayNumberWords(std::string_view words);
