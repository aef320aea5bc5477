#include "engine_harness.h"

#include "driver/DLLMain.h"

namespace enginetest {

Engine::Engine() { driver::libraryInitialise(); }

Engine::~Engine() { object.reset(); }

bool Engine::start(std::vector<HostTagRec> tags, const OstrevanePDB& pdb, std::unique_ptr<TDLLObject> custom)
{
    hostTags = std::move(tags);
    object = custom ? std::move(custom) : std::make_unique<TDLLObject>();
    return testing_support::startOnLine(*object, line, hostTags, pdb);
}

int Engine::answer(std::string_view bytes)
{
    line->incoming.append(bytes);
    return pass();
}

int Engine::timeOut()
{
    clock.advance(1001);
    return pass();
}

TCommand* Engine::queueWrite(size_t position, TagValue value)
{
    TDLLTag& written = tag(position);
    written.value = std::move(value);
    std::unique_ptr<TCommand> command = object->CreatCommand(written, object->PollList, true);
    TCommand* queued = command.get();
    if (command) object->WriteQueue.push_back(std::move(command));
    return queued;
}

}  // namespace enginetest
