#include "serial/DLLComm.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "definitions/DLLDef.h"
#include "platform/clock.h"
#include "serial/SerialTexts.h"

namespace {

// Port index of the configuration block -> the name the port is opened by.
constexpr std::array<std::string_view, def::PortCount> kPortNames = {"Com1", "Com2", "Com3", "Com4", "Com5",
                                                                     "Com6", "Com7", "Com8", "Com9", "Com10"};

constexpr std::string_view kOpened = texts::serial::PortOpened;
constexpr std::string_view kNotAvailable = texts::serial::PortNotAvailable;
constexpr std::string_view kBadSettings = texts::serial::BadPortSettings;
constexpr std::string_view kBuffersFailed = "Error initializing Read/Write Buffers";
constexpr std::string_view kStateFailed = "Error updating DataControlBlock";

constexpr char kHexDigits[] = "0123456789ABCDEF";

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string joined(const std::string& left, std::string_view right)
{
    std::string text = left;
    text.append(right);
    return text;
}

}  // namespace

// ---- TCommClass ------------------------------------------------------------------

TCommClass::TCommClass(std::unique_ptr<serial::PortBackend> backend)
    : backend_(backend ? std::move(backend) : serial::createPortBackend())
{}

TCommClass::~TCommClass() { Close(); }

bool TCommClass::OpenComm(const OstrevanePDB& pdb, bool textMode, std::string& message)
{
    textMode_ = textMode;
    // A port index outside the table keeps the name the port had; the port is still
    // opened, but the warning stays in the message so the engineer sees the bad entry.
    const bool portCodeValid = pdb.PortCode < kPortNames.size();
    if (portCodeValid) portName_ = std::string(kPortNames[pdb.PortCode]);

    // A port that is already open is closed and opened again, so that it takes the
    // new name and line settings instead of silently keeping the old ones.
    if (IsOpen()) Close();

    settingsValid_ = takeLineCodes(pdb);
    if (!settingsValid_) {
        // Opening with a line format the configuration does not describe would only
        // produce garbage on the line: the port stays closed and the message says why.
        statusText_ = joined(portName_, kBadSettings);
        message = statusText_;
        return false;
    }

    openPort();
    message = statusText_;
    if (!portCodeValid) {
        message += "\r\n";
        message.append(kBadSettings);
    }
    return IsOpen();
}

bool TCommClass::takeLineCodes(const OstrevanePDB& pdb)
{
    if (pdb.BaudCode >= def::BaudRates.size() || pdb.DataBitsCode >= def::DataBits.size() ||
        pdb.StopBitsCode >= def::StopBitsCount || pdb.ParityCode >= def::ParityCount)
        return false;
    settings_.baudRate = def::BaudRates[pdb.BaudCode];
    settings_.dataBits = def::DataBits[pdb.DataBitsCode];
    settings_.stopBits = pdb.StopBitsCode;
    settings_.parity = pdb.ParityCode;
    // The option set is {fParity}; flow control keeps what the port has.
    settings_.parityCheck = true;
    return true;
}

bool TCommClass::openPort()
{
    if (!settingsValid_) return false;  // the status text still names the bad configuration
    if (backend_->isOpen()) backend_->close();
    const bool recovering = lost_ || openFailed_;
    lastOpenAttempt_ = platform::clock().tickCount();
    openFailed_ = true;

    int systemError = 0;
    const bool opened = backend_->open(portName_, systemError);
    if (!opened || !backend_->isCharacterDevice()) {
        backend_->close();
        // Something that is not a serial line is as unusable as a missing port.
        statusText_ = joined(portName_, kNotAvailable);
        onError(opened ? "not a serial line" : "cannot be opened", systemError);
        return false;
    }
    openFailed_ = false;

    if (!backend_->setNonBlockingTimeouts()) onError("Error updating CommTimeouts", 0);
    const bool stateApplied = applyPortState();
    if (!backend_->setupBuffers(kInputBufferSize, kOutputBufferSize)) {
        statusText_ = std::string(kBuffersFailed);
        onError(statusText_, 0);
    } else if (!stateApplied) {
        // The line runs with a format other than the configured one: say so rather
        // than report success.
        statusText_ = std::string(kStateFailed);
    } else {
        statusText_ = joined(portName_, kOpened);
    }
    if (recovering) {
        // Back after a failure: say so once, so the log and the host see the line return.
        lost_ = false;
        lastReported_.clear();
        if (errorSink_) errorSink_(statusText_);
    }
    return true;
}

bool TCommClass::openAttemptDue() const
{
    if (!openFailed_ && !lost_) return true;
    return platform::clock().tickCount() - lastOpenAttempt_ >= kReopenInterval;
}

bool TCommClass::applyPortState()
{
    if (!IsOpen()) return false;
    if (!backend_->applySettings(settings_)) {
        onError(kStateFailed, backend_->lastError());
        return false;
    }
    return true;
}

void TCommClass::WriteText(const std::string& text)
{
    const std::string request = text.substr(0, kMaxRequestLength);
    receiveBuffer_.clear();
    if (!IsOpen() && openAttemptDue()) openPort();
    if (!IsOpen()) return;
    backend_->purge();
    receiveBuffer_.clear();
    transmit(request);
}

void TCommClass::transmit(const std::string& text)
{
    if (textMode_) {
        if (text.empty()) return;
        const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
        if (backend_->write(bytes, static_cast<uint32_t>(text.size()), kWriteWait) < 0) onTransferError("write failed");
        return;
    }
    // Hexadecimal mode: each pair of digits is one byte on the line, each byte its
    // own transfer; a trailing odd digit is ignored. A pair that is not hexadecimal
    // ends the transmission rather than putting a made-up byte on the line.
    for (size_t pos = 0; pos + 1 < text.size() && IsOpen(); pos += 2) {
        const int high = hexValue(text[pos]);
        const int low = hexValue(text[pos + 1]);
        if (high < 0 || low < 0) return;
        const auto byte = static_cast<uint8_t>(high * 16 + low);
        if (backend_->write(&byte, 1, kWriteWait) < 0) onTransferError("write failed");
    }
}

const std::string& TCommClass::ReadText()
{
    collectPending();
    return receiveBuffer_;
}

void TCommClass::collectPending()
{
    if (!IsOpen()) return;
    const int32_t waiting = backend_->bytesWaiting();
    if (const std::string notice = backend_->takeNotice(); !notice.empty()) onError(notice, 0);
    if (waiting < 0) onTransferError("read failed");
    if (waiting <= 0) return;
    // More than the scratch buffer holds is collected by the following calls.
    const auto count = std::min<uint32_t>(static_cast<uint32_t>(waiting), kInputBufferSize);
    std::vector<uint8_t> scratch(count, 0);
    const int32_t received = backend_->read(scratch.data(), count, kReadWait);
    if (received < 0) {
        onTransferError("read failed");
        return;
    }
    // Only the bytes really read are appended: padding a short read to the announced
    // count would put characters into the reply that never came over the line.
    const auto got = std::min<uint32_t>(static_cast<uint32_t>(received), count);
    if (textMode_) {
        receiveBuffer_.append(reinterpret_cast<const char*>(scratch.data()), got);
        return;
    }
    for (uint32_t i = 0; i < got; ++i) {
        receiveBuffer_.push_back(kHexDigits[scratch[i] >> 4]);
        receiveBuffer_.push_back(kHexDigits[scratch[i] & 0x0F]);
    }
}

bool TCommClass::IsOpen() const { return backend_->isOpen(); }

void TCommClass::Close()
{
    if (backend_->isOpen()) backend_->close();
}

void TCommClass::onTransferError(std::string_view what)
{
    const int systemError = backend_->lastError();
    if (!backend_->lineGone()) {
        onError(what, systemError);
        return;
    }
    // The handle is dead for good: release it, keep answering the host with time-outs,
    // and open the port again when its device returns at the same name.
    backend_->close();
    receiveBuffer_.clear();
    lost_ = true;
    lastOpenAttempt_ = platform::clock().tickCount();
    statusText_ = joined(portName_, kNotAvailable);
    onError(std::string(what) + ", the device is gone; trying to reopen it every " +
                std::to_string(kReopenInterval / 1000) + " s",
            systemError);
}

void TCommClass::onError(std::string_view message, int systemError)
{
    std::string text = portName_ + ": " + std::string(message);
    if (systemError != 0)
        text += " (OS error " + std::to_string(systemError) + ": " + serial::systemErrorText(systemError) + ")";
    if (text == lastReported_) return;
    lastReported_ = text;
    if (errorSink_) errorSink_(text);
}
