// Framing of the adapter's unframed byte stream into replies.
//
// Replies come as short lines ending in a carriage return ("+OK\r") or as
// lines framed by CR LF ("\r\nOK\r\n"). At most one reply is cut per call.
#pragma once

#include <vector>

#include "protocol/reply_parsers.h"

constexpr size_t kMaxReplyLength = 255;  // a reply of 256 bytes or more is REPLY_TOO_LONG

// Where the first reply in [s, e) ends, or nullptr when more bytes are needed.
const char* FindReplyEnd(const char* s, const char* e);

// Cuts at most one reply off the front of pending and parses it for command.
// Consumed bytes are erased. Result REPLY_INCOMPLETE when no reply is complete;
// an empty pointer when a parser returned none.
ReplyResult ExtractReply(const ParserTable& table, std::vector<char>& pending, kx4xx_atcmd command);

// Runs the parsers registered for command on one reply, in table order.
ReplyResult DispatchReply(const ParserTable& table, std::vector<char> reply, kx4xx_atcmd command);
