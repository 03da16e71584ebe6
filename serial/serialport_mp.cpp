#include "serial/serialport_mp.h"

#include <asio/bind_executor.hpp>
#include <asio/post.hpp>
#include <asio/write.hpp>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "serial/driver_exclusive.h"
#include "serial/driver_purge.h"
#include "serial/driver_read_size.h"

namespace {
// Lets the driver and the device settle after a close before a reopen.
constexpr auto kCloseSettleTime = std::chrono::milliseconds(100);
}  // namespace

CSerialportMP::CSerialportMP(asio::io_context& context) : port(context), strand(context) {}

CSerialportMP::~CSerialportMP()
{
    Close();
    readHandler = nullptr;
    writeHandler = nullptr;
}

std::error_code CSerialportMP::Open(const std::string& name, unsigned baudRate, uint8_t parity, uint8_t stopBits)
{
    std::shared_ptr<CSerialportMP> self;
    try {
        self = shared_from_this();
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("It seems like that instance is not created from shared_ptr: ") + e.what());
    }
    if (isOpen.load())
        return std::make_error_code(std::errc::device_or_resource_busy);

    // Built before the device is opened, so that an invalid code throws
    // std::out_of_range without leaving a handle open behind it.
    const asio::serial_port_base::parity parityOption(static_cast<asio::serial_port_base::parity::type>(parity));
    const asio::serial_port_base::stop_bits stopBitsOption(
        static_cast<asio::serial_port_base::stop_bits::type>(stopBits));

    std::error_code error;
    port.open(name, error);
    if (error)
        return InUseAsBusy(error);

    error = ClaimExclusiveUse(port.native_handle());
    if (!error)
        PurgeDriverBuffers(port.native_handle());
    if (!error)
        port.set_option(asio::serial_port_base::baud_rate(baudRate), error);
    if (!error)
        port.set_option(asio::serial_port_base::character_size(8), error);
    if (!error)
        port.set_option(parityOption, error);
    if (!error)
        port.set_option(stopBitsOption, error);
    if (!error)
        port.set_option(asio::serial_port_base::flow_control(asio::serial_port_base::flow_control::none), error);
    if (error) {
        std::error_code closeError;
        port.close(closeError);
        if (closeError)
            throw std::system_error(closeError, "close");
        return error;
    }

    {
        // Bytes an earlier opening left unwritten, a command cut off by a
        // failing line, were meant for the device on the line then: sent
        // now they would change the adapter connected now.
        std::lock_guard<std::mutex> lock(writeMutex);
        if (opening.load() != 0)
            txQueue.clear();
    }
    const uint32_t thisOpening = opening.fetch_add(1) + 1;
    isOpen.exchange(true);
    asio::post(port.get_executor(), [self, thisOpening] { self->StartRead(thisOpening); });
    asio::post(port.get_executor(), [self, thisOpening] {
        std::lock_guard<std::mutex> lock(self->writeMutex);
        self->StartWrite(thisOpening);
    });
    return {};
}

void CSerialportMP::Close()
{
    if (!isOpen.exchange(false))
        return;
    {
        std::lock_guard<std::mutex> lock(deviceMutex);
        std::error_code ignored;
        port.cancel(ignored);
        port.close(ignored);
    }
    std::this_thread::sleep_for(kCloseSettleTime);
    writing.exchange(false);
}

int CSerialportMP::Send(const uint8_t* data, int length)
{
    if (data == nullptr || length <= 0)
        return kSendRejected;
    std::lock_guard<std::mutex> lock(writeMutex);
    txQueue.insert(txQueue.end(), data, data + length);
    StartWrite(opening.load());
    return 0;
}

void CSerialportMP::DetachHandlers()
{
    {
        std::lock_guard<std::mutex> lock(readMutex);
        readHandler = nullptr;
    }
    std::lock_guard<std::mutex> lock(writeMutex);
    writeHandler = nullptr;
}

void CSerialportMP::StartRead(uint32_t forOpening)
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    if (!IsCurrent(forOpening))
        return;
    auto self = shared_from_this();
    port.async_read_some(asio::buffer(readBuf, DriverReadSize(port.native_handle(), sizeof readBuf)),
                         asio::bind_executor(strand, [self, forOpening](std::error_code error, size_t count) {
                             self->OnReadComplete(self, forOpening, error, count);
                         }));
}

void CSerialportMP::OnReadComplete(const std::shared_ptr<CSerialportMP>& self, uint32_t forOpening,
                                   std::error_code error, size_t count)
{
    std::lock_guard<std::mutex> lock(readMutex);
    // A completion after Close, including the read Close cancelled, is
    // dropped, also when it runs only after the next Open.
    if (!IsCurrent(forOpening))
        return;
    if (!error)
        rxData.insert(rxData.end(), readBuf, readBuf + std::min(count, sizeof readBuf));
    if (readHandler)
        readHandler(self, error, rxData, static_cast<unsigned>(rxData.size()));
    rxData.clear();
    // After an error the read loop ends; the owner decides about the port.
    if (!error)
        StartRead(forOpening);
}

void CSerialportMP::StartWrite(uint32_t forOpening)
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    if (!IsCurrent(forOpening) || writing.load())
        return;
    const size_t count = std::min(txQueue.size(), kTransferSize);
    if (count == 0)
        return;
    std::copy_n(txQueue.begin(), count, writeBuf);
    auto self = shared_from_this();
    port.async_write_some(asio::buffer(writeBuf, count),
                          asio::bind_executor(strand, [self, forOpening](std::error_code error, size_t written) {
                              self->OnWriteComplete(self, forOpening, error, written);
                          }));
    writing.exchange(true);
}

void CSerialportMP::OnWriteComplete(const std::shared_ptr<CSerialportMP>& self, uint32_t forOpening,
                                    std::error_code error, size_t written)
{
    std::lock_guard<std::mutex> lock(writeMutex);
    if (!IsCurrent(forOpening))
        return;
    if (writeHandler)
        writeHandler(self, error, static_cast<unsigned>(written));
    if (written != 0 && txQueue.size() >= written)
        txQueue.erase(txQueue.begin(), txQueue.begin() + static_cast<std::ptrdiff_t>(written));
    writing.exchange(false);
    // Bytes queued while this chunk was in flight go out now rather than
    // waiting for the next Send.
    if (!error)
        StartWrite(forOpening);
}
