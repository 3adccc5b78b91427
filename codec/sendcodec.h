// What the send options make of a payload: escapes in typed text, a line ending, a checksum.
#pragma once

#include "platform/cstring.h"
#include "platform/windef.h"

#include <cstdint>
#include <vector>

enum LINE_ENDING { LINE_ENDING_NONE, LINE_ENDING_CR, LINE_ENDING_LF, LINE_ENDING_CRLF, LINE_ENDINGS };
enum CHECKSUM_KIND {
  CHECKSUM_NONE,
  CHECKSUM_SUM8,
  CHECKSUM_XOR8,
  CHECKSUM_CRC16_MODBUS,
  CHECKSUM_CRC32,
  CHECKSUM_KINDS
};

// \r \n \t \0 \\ and \xHH (one or two hex digits) become their bytes; a backslash before anything
// else, or at the end, stays as typed. Writes at most nLength bytes (never more than the text).
int ExpandEscapes(const char* pText, int nLength, BYTE* pOut);

// The bytes a line ending adds (0 to 2), written to pOut.
int LineEndingBytes(int nLineEnding, BYTE* pOut);

std::uint8_t Sum8(const BYTE* p, int n);
std::uint8_t Xor8(const BYTE* p, int n);
// Polynomial 0x8005 reflected, initial 0xFFFF: the check of "123456789" is 0x4B37.
std::uint16_t Crc16Modbus(const BYTE* p, int n);
// IEEE 802.3, as zlib computes it: the check of "123456789" is 0xCBF43926.
std::uint32_t Crc32(const BYTE* p, int n);

// The checksum's bytes as a frame carries them (CRC-16/MODBUS low byte first, CRC-32 most
// significant first), written to pOut; returns how many (0 to 4).
int ChecksumBytes(int nKind, const BYTE* p, int n, BYTE* pOut);

// What the send options ask of every payload; at their defaults a payload is sent as typed.
struct SEND_OPTIONS {
  BOOL bEscapes = FALSE;
  int nLineEnding = LINE_ENDING_NONE;
  int nChecksum = CHECKSUM_NONE;
};

// The options not at their defaults, as the send group's caption names them ("CRC-16/MODBUS, CR
// LF, 转义"); empty at the defaults.
CString SendOptionsSummary(const SEND_OPTIONS& options);

// The most a payload may hold, as the send buffer does.
inline constexpr int PAYLOAD_LIMIT = 32768;

enum PAYLOAD_REFUSAL { PAYLOAD_OK, PAYLOAD_EMPTY, PAYLOAD_TOO_LONG, PAYLOAD_NO_ROOM_FOR_CHECKSUM };

struct PAYLOAD {
  PAYLOAD_REFUSAL nRefusal = PAYLOAD_OK;
  // The text as the send box shows it afterwards: hex mode trims it (kept when it trims to nothing).
  CString strShown;
  std::vector<BYTE> bytes;
};

// A payload from the send box's text: in hex mode the bytes its hex spells, else the text's own
// bytes with escapes and a line ending as the options say; then the options' checksum.
PAYLOAD BuildPayload(const CString& strText, BOOL bHex, const SEND_OPTIONS& options);
// The message that tells the user why there is nothing to send; nullptr for PAYLOAD_OK.
const char* PayloadRefusalText(PAYLOAD_REFUSAL nRefusal);
