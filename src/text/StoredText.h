#pragma once
// Texts as bytes: UTF-8 checked and decoded, and the texts the data collectors stored.
#include <cstddef>
#include <string>
#include <string_view>

namespace nax {

// Length of the UTF-8 sequence starting at text[at] (1 for ASCII), or 0 when it is not a valid
// one: a stray or missing continuation byte, an overlong form, a UTF-16 surrogate or a value past
// U+10FFFF.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at);

// Texts as stored by the data collectors: valid UTF-8 as it is; anything else was written by an
// older collector in Windows-1252 and is decoded from it (into UTF-8).
bool isValidUtf8(std::string_view bytes);
std::string storedTextAsUtf8(std::string_view bytes);

bool isAscii(std::string_view text);

// Code point at `at`, advancing it; a malformed byte reads as U+FFFD.
char32_t nextCodePoint(std::string_view text, std::size_t& at);
void appendUtf8(std::string& out, char32_t code);

} // namespace nax
