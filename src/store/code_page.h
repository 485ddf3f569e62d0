#pragma once

// The data file keeps one byte per character in Windows-1252, the 8-bit code
// page the log has always been written in. This converts single characters
// across that boundary; it knows nothing about records or fields.

namespace pintwise {

// Every byte value maps to a code point and back again unchanged; the five
// bytes the code page leaves undefined map to the C1 controls of the same value.
char32_t codePointFromByte(unsigned char byte);

// A character the code page lacks becomes '?', still one byte.
unsigned char byteFromCodePoint(char32_t codePoint);

// Whether the code page holds the character, so that it survives a save and
// a read unchanged: what a strict import checks before '?' would stand in.
bool isRepresentable(char32_t codePoint);

} // namespace pintwise
