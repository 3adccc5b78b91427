// Received bytes as text in the encoding a device speaks (UTF-8, or GB18030 and its GBK subset),
// with control bytes shown as the user chose; text in, UTF-8 out, nothing hidden.
#pragma once

#include "platform/windef.h"

#include <string>

enum TEXT_ENCODING { ENCODING_UTF8, ENCODING_GB18030, TEXT_ENCODINGS };
// Control bytes (0x00-0x1F and 0x7F) but CR, LF and TAB: kept, shown as '.', or as "\xHH".
enum CONTROL_STYLE { CONTROLS_RAW, CONTROLS_DOT, CONTROLS_ESCAPED, CONTROL_STYLES };

// Decodes the bytes into UTF-8 appended to out: a sequence that does not decode gives U+FFFD and
// the bytes after it are read on. Returns the bytes used: unless bFinal, a sequence cut off at the
// end is left for the next call, which is given those bytes again in front of what follows.
int DecodeText(const BYTE* p, int n, int nEncoding, int nControls, bool bFinal, std::string& out);

// UTF-8 text as the encoding's bytes, appended to out; a character the encoding lacks is '?'.
void EncodeText(const std::string& utf8, int nEncoding, std::string& out);

// Where text may start in bytes whose beginning gave way: past a cut UTF-8 character, or, in
// GB18030, past the first single-byte character among the first few bytes.
int TextStart(const BYTE* p, int n, int nEncoding);
