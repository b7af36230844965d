#pragma once
// The legacy double-byte code page that texts in fonts without a program of their own may
// be written in (documents made on systems whose ANSI code page was a double-byte one).
#include <cstdint>

namespace qm {

// The iconv name of that code page. It is "GBK" (Windows code page 936, Simplified
// Chinese), a superset of GB2312 that covers every lead byte 0x81-0xFE.
const char* legacyDoubleByteCodePage();

// The UTF-16 unit of the character made of a lead byte 0x81-0xFE and a trail byte
// 0x40-0xFE in that code page; 0 when the pair is not a character there. The whole table
// is converted once, on first use.
char16_t legacyDoubleByteToUnicode(uint8_t lead, uint8_t trail);

}  // namespace qm
