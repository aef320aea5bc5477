// A driver object without a port whose tag table and current command a test fills
// directly, for looking at frames and replies one operation at a time.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "definitions/FrameDef.h"
#include "driver/DLLMain.h"
#include "protocol/DLLRealize.h"
#include "support/memory_line.h"
#include "support/test_support.h"

namespace prototest {

using testing_support::poll;
using testing_support::reply;

inline int32_t typeOf(std::string_view mnemonic)
{
    for (int32_t i = 0; i < def::kTagTypeCount; ++i)
        if (def::TagTypeInfo[static_cast<size_t>(i)].mnemonic == mnemonic) return i;
    return -1;
}

class ProtocolTest : public ::testing::Test {
protected:
    ProtocolTest() { driver::libraryInitialise(); }

    TDLLTag& addTag(std::string_view mnemonic, int32_t deviceNo, uint8_t valueType = OSTREVANE_VALUE_NUMBER,
                    TagValue value = 0.0)
    {
        auto& tag = object->TagTable.emplace_back(std::make_unique<TDLLTag>());
        tag->tableIndex = static_cast<int32_t>(object->TagTable.size() - 1);
        tag->typeString = std::string(mnemonic);
        tag->tagTypeIndex = typeOf(mnemonic);
        tag->deviceNo = deviceNo;
        tag->valueType = valueType;
        tag->value = std::move(value);
        return *tag;
    }
    TCommand& makeCurrent(std::string_view mnemonic, bool write, std::initializer_list<int32_t> tags = {0})
    {
        command.write = write;
        command.tagTypeIndex = typeOf(mnemonic);
        command.typeString = std::string(mnemonic);
        command.tagIndexes.assign(tags.begin(), tags.end());
        object->CurrentCommand = &command;
        return command;
    }
    std::string frame(TDLLTag& tag, bool write)
    {
        TCommand scratch;
        scratch.write = write;
        return object->GetAskStr(scratch, tag, write);
    }

    testing_support::FakeClock clock;
    testing_support::LogRedirect log;
    std::unique_ptr<TDLLObject> object = std::make_unique<TDLLObject>();
    TCommand command;
};

}  // namespace prototest
