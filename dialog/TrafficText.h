// How a recorded event reads: the record window's columns and the log file's line.
#pragma once

#include "dialog/TrafficRecord.h"
#include "platform/cstring.h"

#include <string>

enum TRAFFIC_COLUMN {
  TRAFFIC_COL_TIME,
  TRAFFIC_COL_EVENT,
  TRAFFIC_COL_PEER,
  TRAFFIC_COL_LENGTH,
  TRAFFIC_COL_HEX,
  TRAFFIC_COL_TEXT,
  TRAFFIC_COLUMNS
};

// The first bytes a row shows in hex and as text.
// (More than a column shows at its first width: the rest is in the cell's tooltip.)
inline constexpr int TRAFFIC_HEX_PREVIEW = 64;
inline constexpr int TRAFFIC_TEXT_PREVIEW = 96;
// Bytes a line of the detail's dump.
inline constexpr int TRAFFIC_DUMP_LINE = 16;

CString TrafficEndpointText(const TRAFFIC_ENDPOINT& endpoint);
// A moment's local time of day: "12:34:56.789".
CString TrafficTimeText(std::int64_t nTimeMicros);
// The local date and time, "2026-12-09T14:03:07.250".
CString TrafficDateTimeText(std::int64_t nTimeMicros);
// Bytes as one line of a cell: decoded in the encoding, control bytes and line breaks as '.', a
// character cut off at the end left out.
CString TrafficCellText(const BYTE* p, int n, int nEncoding);
// pPayload holds what the record still has of the event's payload, nHeld bytes.
CString TrafficColumnText(const TRAFFIC_EVENT& event, const BYTE* pPayload, int nHeld, int nColumn, int nEncoding = 0);
// The event whole, CR LF between lines: what, when (date and time), the peer and the local end in
// full, then its bytes as a dump of 16 a line: offset, hex, and the text decoded in the encoding,
// each character on the line where its last byte is.
CString TrafficDetailText(const TRAFFIC_EVENT& event, const BYTE* pPayload, int nHeld, int nEncoding);
// One line, LF-terminated: local ISO 8601 time with milliseconds and offset, event, peer, length,
// the whole payload in hex, then its printable text; tab-separated.
void AppendTrafficLogLine(std::string& out, const TRAFFIC_EVENT& event, const BYTE* pPayload);
