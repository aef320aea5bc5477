// The port a name leads to, chosen at each open: the mapping may change between
// opens (a device today, a serial device server tomorrow).
#include "serial/port_address.h"
#include "serial/serial_port.h"

namespace serial {

bool PortBackend::lineGone() const { return deviceGone(lastError()); }

namespace {

class RoutedPortBackend final : public PortBackend {
public:
    bool open(const std::string& portName, int& systemError) override
    {
        active_->close();
        NetworkAddress address;
        const bool network = classifyMapping(portMapping(portName), address) != MappingKind::Device;
        if (network && !network_) network_ = createNetworkPortBackend();
        active_ = network ? network_.get() : device_.get();
        return active_->open(portName, systemError);
    }
    bool isCharacterDevice() override { return active_->isCharacterDevice(); }
    bool setNonBlockingTimeouts() override { return active_->setNonBlockingTimeouts(); }
    bool applySettings(const LineSettings& settings) override { return active_->applySettings(settings); }
    bool setupBuffers(uint32_t inputSize, uint32_t outputSize) override
    {
        return active_->setupBuffers(inputSize, outputSize);
    }
    void purge() override { active_->purge(); }
    int32_t bytesWaiting() override { return active_->bytesWaiting(); }
    int32_t read(uint8_t* buffer, uint32_t count, uint32_t waitMs) override
    {
        return active_->read(buffer, count, waitMs);
    }
    int32_t write(const uint8_t* buffer, uint32_t count, uint32_t waitMs) override
    {
        return active_->write(buffer, count, waitMs);
    }
    void close() override { active_->close(); }
    bool isOpen() const override { return active_->isOpen(); }
    int lastError() const override { return active_->lastError(); }
    bool lineGone() const override { return active_->lineGone(); }
    std::string takeNotice() override { return active_->takeNotice(); }

private:
    std::unique_ptr<PortBackend> device_ = createDevicePortBackend();
    std::unique_ptr<PortBackend> network_;
    PortBackend* active_ = device_.get();
};

}  // namespace

std::unique_ptr<PortBackend> createPortBackend() { return std::make_unique<RoutedPortBackend>(); }

}  // namespace serial
