// The record as a capture file: each chunk an IPv4 packet with a UDP or TCP header carrying both
// ends' real addresses and ports, TCP sequence numbers running on per connection, so capture tools
// decode and reassemble what went over the channel. Channel events without bytes are left out
// except a TCP connection's start, written as its handshake.
#pragma once

#include "dialog/TrafficFilter.h"
#include "dialog/TrafficRecord.h"
#include "platform/cfile.h"

// The largest TCP payload one IPv4 packet carries; a larger chunk becomes several segments.
inline constexpr int PCAPNG_MAX_TCP_SEGMENT = 65535 - 40;

// FALSE when a write failed; the file's error says why. With rows, only the events they show.
BOOL WritePcapng(const CTrafficRecord& record, CFile& file, const CTrafficRows* pRows = nullptr);
