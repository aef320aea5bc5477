// ostrevane-host: a reference host for the Ostrevane800 driver. It loads the driver
// library at run time and calls it as a SCADA host does. See --help.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "host/configuration.h"
#include "host/driver_library.h"
#include "host/log_view.h"
#include "host/options.h"
#include "host/session.h"
#include "host/system.h"
#include "host/tag_list.h"

#ifndef OSTREVANE_HOST_BUILT_DRIVER
#define OSTREVANE_HOST_BUILT_DRIVER ""
#endif

namespace {

void complain(const std::string& text) { host::sys::writeError("ostrevane-host: " + text + "\n"); }

bool exists(const std::string& path) { return !path.empty() && std::ifstream(path).good(); }

// --driver, then OSTREVANE800_DRIVER, then the library beside the program, then the
// library of an installed package (bin/ and lib/ side by side), then the one this
// build made (packaged hosts carry none).
std::string driverPath(const host::Options& options)
{
    if (!options.driverPath.empty()) return options.driverPath;
    if (const char* configured = std::getenv("OSTREVANE800_DRIVER"); configured && *configured) return configured;
    std::string beside = host::programFolder() + host::driverFileName();
    if (exists(beside)) return beside;
    std::string installed = host::programFolder() + "../lib/" + host::driverFileName();
    if (exists(installed)) return installed;
    if (exists(OSTREVANE_HOST_BUILT_DRIVER)) return OSTREVANE_HOST_BUILT_DRIVER;
    return beside;
}

class Surroundings : public host::SessionSurroundings {
public:
    Surroundings(bool keyMode) : keyboard_(host::sys::Keyboard::open(keyMode)), event_(host::sys::HostEvent::create())
    {}

    uint64_t milliseconds() override
    {
        using namespace std::chrono;
        return static_cast<uint64_t>(
            duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void sleep(uint32_t milliseconds) override { host::sys::sleepMilliseconds(milliseconds); }
    bool interrupted() override { return host::sys::interrupted(); }
    void write(const std::string& utf8) override { host::sys::writeOutput(utf8); }
    void complain(const std::string& utf8) override { ::complain(utf8); }
    std::string typed(bool& ended) override { return keyboard_->take(ended); }
    void screenSize(int& rows, int& columns) override { host::sys::consoleSize(rows, columns); }
    OstrevaneEvent event() override { return event_->handle(); }
    bool eventSignalled() override { return event_->takeSignal(); }

private:
    std::unique_ptr<host::sys::Keyboard> keyboard_;
    std::unique_ptr<host::sys::HostEvent> event_;
};

int run(const host::Options& options, const host::DriverLibrary& library)
{
    std::vector<std::string> errors;
    host::SessionSetup setup;
    setup.tags = host::loadTagList(options.tagsFile, errors);
    if (!errors.empty()) {
        for (const std::string& error : errors) complain(error);
        return 2;
    }
    std::string error;
    if (!host::buildPdb(options, library.calls(), setup.pdb, error)) {
        complain(error);
        return 2;
    }
    // The traffic view reads the frames the driver logs with trace output on.
    if (options.traffic) setup.pdb.TraceOutput = 1;
    setup.driver = &library.calls();
    setup.takeText = &host::DriverLibrary::take;
    setup.driverPath = library.path();
    setup.logPath = options.logPath.empty() ? host::driverLogPath(host::sys::hostPathSetting()) : options.logPath;
    setup.durationSeconds = options.durationSeconds;
    setup.writes = options.writes;
    setup.traffic = options.traffic;
    setup.table = options.output == host::OutputMode::Table ||
                  (options.output == host::OutputMode::Automatic && host::sys::outputIsTerminal());
    // Asked for explicitly, the table is drawn even where the console cannot be switched.
    if (setup.table && !host::sys::enableScreenControl() && options.output != host::OutputMode::Table)
        setup.table = false;

    host::sys::catchInterrupts();
    Surroundings surroundings(setup.table);
    // One communication thread, as a host runs its drivers: the driver object belongs
    // to it and goes when it ends.
    int status = 0;
    std::thread communication([&] { status = host::runSession(std::move(setup), surroundings); });
    communication.join();
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    const auto options = host::parseOptions(arguments, error);
    if (!options) {
        complain(error + " (see --help)");
        return 2;
    }
    if (options->command == host::Command::Help) {
        host::sys::writeOutput(host::usageText());
        return 0;
    }
    if (options->command == host::Command::PdbShow) return host::pdbCommand(*options, nullptr);

    const std::string path = driverPath(*options);
    const auto library = host::DriverLibrary::load(path, error);
    if (!library) {
        complain("cannot load the driver: " + error);
        return 2;
    }
    switch (options->command) {
    case host::Command::PdbCreate:
    case host::Command::PdbSet: return host::pdbCommand(*options, &library->calls());
    case host::Command::Address: return host::addressCommand(*options, library->calls(), &host::DriverLibrary::take);
    case host::Command::Types: return host::typesCommand(library->calls());
    case host::Command::Run:
        if (!options->settings.portMapping.empty())
            host::sys::setEnvironment("OSTREVANE800_COM" + std::to_string(*options->settings.portCode + 1),
                                      options->settings.portMapping);
        return run(*options, *library);
    default: return 2;
    }
}
