// The characters of the instruments' line protocol.
//
// Poll (the master asks for a value):   EOT G G U U m m ENQ
// Select (the master writes a value):   EOT G G U U STX m m value ETX check
// Reply to a poll:                      STX m m data ETX check
// Reply to a select:                    ACK (taken) or NAK (refused)
// G and U are the tens and units digits of the device number, each sent twice; the
// check is the exclusive-or of every character after STX up to and including ETX.
#pragma once
#include <string>
#include <string_view>

namespace sim {

constexpr char kSTX = 0x02;
constexpr char kETX = 0x03;
constexpr char kEOT = 0x04;
constexpr char kENQ = 0x05;
constexpr char kACK = 0x06;
constexpr char kNAK = 0x15;

// Exclusive-or of the characters (0 for none).
char blockCheck(std::string_view text);

// STX, mnemonic, data, ETX and the block check over mnemonic, data and ETX.
std::string readReply(std::string_view mnemonic, std::string_view data);
// The frames the master sends, for tests and tools that play the master.
std::string pollFrame(int device, std::string_view mnemonic);
std::string selectFrame(int device, std::string_view mnemonic, std::string_view value);

}  // namespace sim
