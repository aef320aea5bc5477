// Accepting replies: one look at the port per pass, the generic check (required text,
// block check), the block-check comparison and the status part of a reply. What the
// block check covers and how data become values is the instrument protocol's part.
#include <string>

#include "definitions/FrameDef.h"
#include "engine/DLLObj.h"
#include "engine/EngineTexts.h"
#include "framework/Guard.h"

namespace {
constexpr std::string_view kClass = "TCustomDLLObject";
constexpr std::string_view kTestCommandType = "TEST";
}  // namespace

bool TCustomDLLObject::GetResult()
{
    return guard::run(kClass, "GetResult", false, [&] {
        TCommand* command = CurrentCommand;
        if (!command) return false;
        // Whatever is in the receive buffer while no request is out belongs to an
        // earlier exchange.
        command->reply = (ReplyExpected && Comm) ? Comm->ReadText() : std::string();
        const std::string& text = command->reply;
        CommStatistics& s = Statistics;
        bool accepted = false;
        if (text.empty()) {
            ++s.shortReplies;
            ++s.abnormalReplies;
            ++TotalFailures;
        } else if (CheckResult(text)) {
            CommAnalyze(text, *command, TagTable);
            ++s.goodReplies;
            accepted = true;
        } else {
            ++s.checkErrors;
            ++s.garbledReplies;
            ++s.abnormalReplies;
            ++TotalFailures;
        }
        ExchangeFinished = accepted;
        return accepted;
    });
}

bool TCustomDLLObject::CheckResult(const std::string& reply)
{
    return guard::run(kClass, "CheckResult", false, [&] {
        const int32_t type = CurrentCommand ? CurrentCommand->tagTypeIndex : -1;
        if (def::isTagType(type)) {
            const std::string_view required = def::EchoRequiredText[type];
            if (!required.empty() && reply.find(required) == std::string::npos) return false;
        }
        if (def::CrcKind == 0) return true;
        if (reply.size() < static_cast<size_t>(def::CrcLength)) return false;
        return CompareCRC(reply, CheckCRC(GetCrcSourceStr(reply)));
    });
}

bool TCustomDLLObject::CompareCRC(const std::string& reply, const std::string& expected)
{
    return guard::run(kClass, "CompareCRC", false, [&] {
        // The check follows the covered part: look where the covered part leaves room for
        // it. (Its first occurrence can lie earlier in a reply that repeats one character,
        // and the check would then be compared with a character of the covered part.)
        if (expected.size() > reply.size()) return false;
        const size_t position = reply.rfind(GetCrcSourceStr(reply), reply.size() - expected.size());
        if (position == std::string::npos) return false;
        return reply.compare(position, expected.size(), expected) == 0;
    });
}

std::string TCustomDLLObject::GetEchoStatusStr(const std::string& reply, TCommand& command)
{
    std::string status;
    guard::run(kClass, "GetEchoStatusStr", [&] {
        // Read replies of this family carry no status part; a write reply's follows its
        // head and the device number.
        const int32_t type = command.tagTypeIndex;
        if (command.write && def::isTagType(type)) {
            const size_t skip = def::WriteEchoHead[type].size() + static_cast<size_t>(def::DevAddrLength);
            if (reply.size() > skip) status = reply.substr(skip, kCommandTextLimit);
        }
        if (command.typeString == kTestCommandType) WriteCommEvent(texts::engine::TestSucceeded);
        for (const def::EchoStatusRow& row : def::EchoStatus) {
            if (status.compare(0, row.code.size(), row.code) == 0) {
                WriteCommEvent(std::string(row.text));
                break;
            }
        }
    });
    return status;
}

// --- neutral versions: the instrument protocol replaces these ---

std::string TCustomDLLObject::CreateValueStr(TDLLTag&, bool) { return {}; }

std::string TCustomDLLObject::GetCrcSourceStr(const std::string& reply) { return reply; }

std::string TCustomDLLObject::CheckCRC(const std::string& text) { return text; }

std::string TCustomDLLObject::GetEchoDataStr(const std::string& reply, TCommand&) { return reply; }

bool TCustomDLLObject::CommAnalyze(const std::string&, TCommand&, TTagTable&) { return false; }
