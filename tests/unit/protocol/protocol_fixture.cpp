#include "protocol_fixture.h"

#include "definitions/FrameDef.h"
#include "driver/DLLMain.h"

namespace prototest {

std::string readReply(std::string_view mnemonic, std::string_view data)
{
    std::string covered = std::string(mnemonic) + std::string(data) + '\x03';
    char check = 0;
    for (const char c : covered) check = static_cast<char>(check ^ c);
    return '\x02' + covered + check;
}

int32_t typeOf(std::string_view mnemonic)
{
    for (int32_t i = 0; i < def::kTagTypeCount; ++i)
        if (def::TagTypeInfo[static_cast<size_t>(i)].mnemonic == mnemonic) return i;
    return -1;
}

ProtocolTest::ProtocolTest()
{
    driver::libraryInitialise();
    object = std::make_unique<TDLLObject>();
}

TDLLTag& ProtocolTest::addTag(std::string_view mnemonic, int32_t deviceNo, uint8_t valueType, TagValue value)
{
    auto tag = std::make_unique<TDLLTag>();
    tag->tableIndex = static_cast<int32_t>(object->TagTable.size());
    tag->name = "T" + std::to_string(tag->tableIndex);
    tag->typeString = std::string(mnemonic);
    tag->tagTypeIndex = typeOf(mnemonic);
    tag->deviceNo = deviceNo;
    tag->channelNo = 0;
    tag->valueType = valueType;
    tag->value = std::move(value);
    object->TagTable.push_back(std::move(tag));
    return *object->TagTable.back();
}

TCommand& ProtocolTest::makeCurrent(std::string_view mnemonic, bool write, std::initializer_list<int32_t> tags)
{
    command.write = write;
    command.tagTypeIndex = typeOf(mnemonic);
    command.typeString = std::string(mnemonic);
    command.tagIndexes.assign(tags.begin(), tags.end());
    object->CurrentCommand = &command;
    return command;
}

}  // namespace prototest
