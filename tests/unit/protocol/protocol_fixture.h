// A driver object without a port whose tag table and current command a test fills
// directly, for looking at frames and replies one operation at a time.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "protocol/DLLRealize.h"
#include "support/test_support.h"

namespace prototest {

// Bytes as written in a test: "\x04" "0011" "PV" "\x05".
inline std::string bytes(std::string_view text) { return std::string(text); }

// A read reply with a correct block check: STX, mnemonic, data, ETX, check.
std::string readReply(std::string_view mnemonic, std::string_view data);

// The tag-type index of a mnemonic (case kept), -1 for none.
int32_t typeOf(std::string_view mnemonic);

class ProtocolTest : public ::testing::Test {
protected:
    ProtocolTest();

    // Appends a tag of the given kind for `mnemonic` on `deviceNo` and returns it.
    TDLLTag& addTag(std::string_view mnemonic, int32_t deviceNo, uint8_t valueType = OSTREVANE_VALUE_NUMBER,
                    TagValue value = 0.0);
    // Makes a command of the given tags current.
    TCommand& makeCurrent(std::string_view mnemonic, bool write, std::initializer_list<int32_t> tags = {0});

    testing_support::FakeClock clock;
    testing_support::LogRedirect log;
    std::unique_ptr<TDLLObject> object;
    TCommand command;
};

}  // namespace prototest
