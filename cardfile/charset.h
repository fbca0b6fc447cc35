// The character sets of card file texts.
//
// The signature says which one a file's texts use: code page 437 (the DOS
// console's) in an OEM card file, code page 1252 (Windows Latin) in an ANSI
// one. These tables turn texts into Unicode for people to read, and Unicode
// into bytes for files written from a description; the conversion itself
// goes through the platform's code-page service, not through these tables.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace cardfile {

// The Unicode character of each byte of a code page.
using CodePageTable = std::array<char32_t, 256>;

// Stands for a byte to which the code page gives no character (five bytes of
// code page 1252).
constexpr char32_t NoCharacter = 0xFFFF;

// Bytes 00-7F are ASCII in both, control codes included.
extern const CodePageTable CodePage437;
extern const CodePageTable CodePage1252;

// The code page of the texts of a file with this signature: 1252 for the
// ANSI signature, 437 for any other.
uint16_t TextCodePage(uint16_t signature);
const CodePageTable& TextCodePageTable(uint16_t signature);

// A byte as two upper-case hexadecimal digits, as messages and listings
// show bytes.
std::string HexByte(uint8_t byte);

// Appends the UTF-8 bytes of a character.
void AppendUtf8(char32_t c, std::string& out);

// Decodes one character of UTF-8 text at *at and moves past it; gives
// NoCharacter, moving one byte, where the text is not well-formed UTF-8.
char32_t DecodeUtf8(std::string_view text, size_t* at);

// Encodes UTF-8 text into bytes of a code page. False when a character has
// no byte there or the text is not well-formed; *bad then holds the
// offending character (NoCharacter for bad UTF-8).
bool EncodeUtf8(std::string_view text, const CodePageTable& page, std::string* out, char32_t* bad);

}  // namespace cardfile
