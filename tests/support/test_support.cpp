#include "support/test_support.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>
#include <filesystem>

#include "driver/DLLMain.h"
#include "framework/DLLLog.h"
#include "framework/PDB.h"
#include "platform/files.h"

namespace testing_support {

FakeClock::FakeClock() { platform::setClock(this); }
FakeClock::~FakeClock() { platform::setClock(nullptr); }

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "ostrevane-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    path_ = made ? made : "";
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

LogRedirect::LogRedirect() : path_(folder_.path() + "/Debug/Ostrevane800.Log"), previous_(logfile::LogFileName())
{
    logfile::setLogFileName(path_);
}

LogRedirect::~LogRedirect() { logfile::setLogFileName(previous_); }

std::string LogRedirect::content() const
{
    std::string text;
    platform::readWholeFile(path_, text);
    return text;
}

OstrevanePDB defaultPDB()
{
    OstrevanePDB block{};
    pdb::FullPDB(block);
    return block;
}

PseudoTerminal::PseudoTerminal(int comNumber) : comNumber_(comNumber)
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) return;
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        close(master_);
        master_ = -1;
        return;
    }
    slavePath_ = ptsname(master_);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    setenv(("OSTREVANE800_COM" + std::to_string(comNumber_)).c_str(), slavePath_.c_str(), 1);
}

PseudoTerminal::~PseudoTerminal()
{
    unsetenv(("OSTREVANE800_COM" + std::to_string(comNumber_)).c_str());
    if (master_ >= 0) close(master_);
}

void PseudoTerminal::sendToDriver(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) done += static_cast<size_t>(n);
        else usleep(1000);
    }
    tcdrain(master_);
}

std::string takeHostText(char* text)
{
    if (!text) return {};
    std::string copy(text);
    std::free(text);
    return copy;
}

}  // namespace testing_support

namespace {
// Tests run as a host that loaded the library: attach before any test sets up its log.
const bool libraryAttached = (driver::libraryInitialise(), true);
}  // namespace
