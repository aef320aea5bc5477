#include "sim/protocol.h"

namespace sim {

namespace {

// The device number as it travels: tens digit twice, then units digit twice.
std::string doubledAddress(int device)
{
    const char tens = static_cast<char>('0' + device / 10 % 10);
    const char units = static_cast<char>('0' + device % 10);
    return {tens, tens, units, units};
}

}  // namespace

char blockCheck(std::string_view text)
{
    unsigned char check = 0;
    for (const char c : text) check ^= static_cast<unsigned char>(c);
    return static_cast<char>(check);
}

std::string readReply(std::string_view mnemonic, std::string_view data)
{
    std::string covered = std::string(mnemonic) + std::string(data) + kETX;
    return kSTX + covered + blockCheck(covered);
}

std::string pollFrame(int device, std::string_view mnemonic)
{
    return kEOT + doubledAddress(device) + std::string(mnemonic) + kENQ;
}

std::string selectFrame(int device, std::string_view mnemonic, std::string_view value)
{
    std::string covered = std::string(mnemonic) + std::string(value) + kETX;
    return kEOT + doubledAddress(device) + kSTX + covered + blockCheck(covered);
}

}  // namespace sim
