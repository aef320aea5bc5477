// TCommClass: one serial port of a driver object. It owns the receive buffer, the
// text/hexadecimal mode and the settings tables; an OS backend opens, configures,
// reads and writes. Reads never wait for bytes that have not arrived.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "Ostrevane800.h"
#include "serial/serial_port.h"

class TCommClass {
public:
    // A closed port; the OS backend unless a test hands in its own.
    explicit TCommClass(std::unique_ptr<serial::PortBackend> backend = nullptr);
    ~TCommClass();
    TCommClass(const TCommClass&) = delete;
    TCommClass& operator=(const TCommClass&) = delete;

    // Opens the port named by the configuration block with its line settings; an open
    // port is closed and opened again. `message` receives the status text (e.g.
    // "Com1打开成功"), followed by a line break and "设备参数中的串口设置有误!" when
    // the port index is outside the table. Line codes outside their tables leave the
    // port closed with the port name + "设备参数中的串口设置有误!". True when open.
    bool OpenComm(const OstrevanePDB& pdb, bool textMode, std::string& message);
    // Empties the receive buffer and transmits a request (at most 255 characters),
    // opening the port first if needed.
    // A port that could not be opened, or whose device vanished, is tried again at
    // most every kReopenInterval ms; meanwhile requests are dropped quietly.
    void WriteText(const std::string& text);
    // Collects what has arrived and returns everything received since the last transmission.
    const std::string& ReadText();
    bool IsOpen() const;
    void Close();

    const std::string& portName() const { return portName_; }
    const std::string& statusText() const { return statusText_; }
    bool textMode() const { return textMode_; }
    const serial::LineSettings& lineSettings() const { return settings_; }

    // Receives each change of the port's state as a text for the log and the host:
    // an error with the OS error number and text, or the port open again. The same
    // error repeated is passed on once.
    using ErrorSink = std::function<void(const std::string& text)>;
    void setErrorSink(ErrorSink sink) { errorSink_ = std::move(sink); }
    // True while the port's device is gone and the port waits to be reopened.
    bool lost() const { return lost_; }

    static constexpr uint32_t kInputBufferSize = 4096;
    static constexpr uint32_t kOutputBufferSize = 2048;
    static constexpr uint32_t kReadWait = 1000;   // ms
    static constexpr uint32_t kWriteWait = 1000;  // ms
    static constexpr size_t kMaxRequestLength = 255;
    static constexpr uint32_t kReopenInterval = 2000;  // ms

private:
    // Takes the four line codes of the configuration block; false when one is outside its table.
    bool takeLineCodes(const OstrevanePDB& pdb);
    bool openPort();
    // True when the backend accepted the line settings.
    bool applyPortState();
    void transmit(const std::string& text);
    void collectPending();
    // True when an attempt to open the port may be made now.
    bool openAttemptDue() const;
    // A read or write failed: a vanished device closes the port until it is reopened.
    void onTransferError(std::string_view what);
    // Passes a failure on to the sink, once per change of state.
    void onError(std::string_view message, int systemError);

    std::unique_ptr<serial::PortBackend> backend_;
    bool textMode_ = true;
    std::string portName_ = "Com1";
    serial::LineSettings settings_;
    // False after a configuration block whose line codes lie outside the tables:
    // such a port is not opened until a valid configuration arrives.
    bool settingsValid_ = true;
    std::string receiveBuffer_;
    std::string statusText_;
    ErrorSink errorSink_;
    std::string lastReported_;  // the state last passed to the sink
    bool lost_ = false;
    bool openFailed_ = false;  // the last attempt to open failed: wait before the next
    uint32_t lastOpenAttempt_ = 0;
};
