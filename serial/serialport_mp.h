// CSerialportMP: the asynchronous serial port.
//
// Keeps exactly one read outstanding while open, writes queued bytes in
// chunks of at most 1024, and hands every completed read and write to the
// owner's handlers on an I/O thread. Completions of one port are serialised
// by its strand. Must be owned by a std::shared_ptr before Open: every
// pending operation holds a shared pointer that keeps the object alive.
#pragma once

#include <asio/io_context.hpp>
#include <asio/io_context_strand.hpp>
#include <asio/serial_port.hpp>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

class CSerialportMP : public std::enable_shared_from_this<CSerialportMP> {
public:
    using ReadHandler = std::function<void(const std::shared_ptr<CSerialportMP>& port, std::error_code& error,
                                           const std::vector<uint8_t>& data, unsigned count)>;
    using WriteHandler =
        std::function<void(const std::shared_ptr<CSerialportMP>& port, std::error_code& error, unsigned written)>;

    static constexpr size_t kTransferSize = 1024;
    static constexpr int kSendRejected = 22;  // null data or zero length

    explicit CSerialportMP(asio::io_context& context);
    virtual ~CSerialportMP();
    CSerialportMP(const CSerialportMP&) = delete;
    CSerialportMP& operator=(const CSerialportMP&) = delete;

    // Parity and stop bits use asio's encoding: 0 none/one, 1 odd/one and a
    // half, 2 even/two. Values above 2 throw std::out_of_range. A second Open
    // returns device_or_resource_busy and leaves the open port untouched; so
    // does a port another opening (this process's or another's) holds.
    // Bytes queued before the first Open are written once it succeeds; a
    // reopen discards what the previous opening left unwritten.
    std::error_code Open(const std::string& name, unsigned baudRate, uint8_t parity, uint8_t stopBits);
    // Cancels and closes, then pauses 100 ms so the driver settles.
    void Close();
    // Copies and queues the bytes; returns 0, or kSendRejected.
    int Send(const uint8_t* data, int length);
    // Empties both handlers once a handler under way has returned, so that
    // an owner that goes before this object is never called again. Never
    // from inside a handler (it takes the mutexes they are called under).
    void DetachHandlers();

    std::atomic<bool> isOpen{false};
    // Assigned once by the owner before Open.
    ReadHandler readHandler;
    WriteHandler writeHandler;

private:
    // Each takes the opening it belongs to: work of an earlier opening that
    // the executor runs only after a reopen is dropped.
    void StartRead(uint32_t forOpening);
    void OnReadComplete(const std::shared_ptr<CSerialportMP>& self, uint32_t forOpening, std::error_code error,
                        size_t count);
    void StartWrite(uint32_t forOpening);  // caller holds writeMutex
    void OnWriteComplete(const std::shared_ptr<CSerialportMP>& self, uint32_t forOpening, std::error_code error,
                         size_t written);
    bool IsCurrent(uint32_t forOpening) const { return isOpen.load() && forOpening == opening.load(); }

    std::vector<uint8_t> rxData;         // guarded by readMutex
    uint8_t readBuf[kTransferSize] = {};  // owned by the one outstanding read
    std::vector<uint8_t> txQueue;        // guarded by writeMutex
    uint8_t writeBuf[kTransferSize] = {};  // guarded by writeMutex
    std::atomic<bool> writing{false};    // a write is in flight; atomic because Close clears it without a lock
    // Counts the Opens. Handlers a Close cancelled stay queued when the last
    // port's close stops the executor, and run after the next Open: they
    // must not be taken for the new opening's reads and writes.
    std::atomic<uint32_t> opening{0};
    std::mutex readMutex;
    std::mutex writeMutex;
    // Guards the device handle: reads start on I/O threads, writes on the
    // requesting thread and Close on the owner's thread, and asio allows no
    // concurrent calls on one port object. A leaf lock, taken last.
    std::mutex deviceMutex;
    asio::serial_port port;
    asio::io_context::strand strand;
};
