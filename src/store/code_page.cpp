#include "code_page.h"

namespace pintwise {

unsigned char byteFromCodePoint(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<unsigned char>(codePoint);
    for (unsigned byte = 0x80; byte < 0xA0; ++byte) {
        if (kCharacterOfByte[byte] == codePoint)
            return static_cast<unsigned char>(byte);
    }
    return '?';
}

bool isRepresentable(char32_t codePoint)
{
    return codePointFromByte(byteFromCodePoint(codePoint)) == codePoint;
}

} // namespace pintwise
