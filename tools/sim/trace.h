// The traffic trace: one line per frame heard and per piece sent, each byte in hex,
// bytes received as <04> and bytes sent as [02], so the direction shows at a glance:
//
//   10:30:15.123456 <- <04><30><30><31><31><50><56><05>  poll 01 PV
//   10:30:15.133872 -> [02][50][56][20][32][35][2E][30][03][2D]  reply 01 PV ' 25.0'
#pragma once
#include <string>
#include <string_view>

namespace sim {

enum class Direction { Received, Sent };

std::string hexBytes(std::string_view bytes, Direction direction);
std::string traceLine(std::string_view timeStamp, Direction direction, std::string_view bytes, std::string_view note);

}  // namespace sim
