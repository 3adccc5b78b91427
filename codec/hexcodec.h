// Hexadecimal text to payload bytes, and the receive buffer to the text the display shows.
#pragma once

#include "platform/cstring.h"
#include "platform/windef.h"

// The value of a hexadecimal digit, or 0xFF for any other byte.
BYTE HexDigitValue(char ch);
// Anything that is not a hex digit separates bytes; a lone digit is a byte of its own. Writes at
// most (length + 1) / 2 bytes of the trimmed text to pOut.
void ParseHexText(CString strText, BYTE* pOut, int* pnCount);
// "%02X " per byte when bHex, else the bytes up to the first zero.
CString RenderReceiveBuffer(const BYTE* pData, int nLen, BOOL bHex);
