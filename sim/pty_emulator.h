#pragma once
// Runs a device protocol on a pseudo-terminal in its own thread: the host opens the
// slave side like any serial device, every byte it sends is handed to the protocol,
// echoed, and followed by the protocol's reply. The emulator keeps a slave descriptor
// open itself, so the line stays up between host sessions and its settings persist.

#include "sim/emulator_faults.h"
#include "sim/serial_protocol.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>

namespace velmora::sim {

class PtyEmulator {
public:
    // Bytes kept of what the host sent, for tests; at this size the older half is dropped.
    static constexpr std::size_t kReceivedCapacity = 65536;
    // Length of the line sent by the over-long reply fault, without its ending.
    static constexpr std::size_t kOverlongLength = 300;

    // `protocol` is borrowed and must outlive the emulator.
    explicit PtyEmulator(SerialProtocol& protocol);
    ~PtyEmulator();
    PtyEmulator(const PtyEmulator&) = delete;
    PtyEmulator& operator=(const PtyEmulator&) = delete;

    // Opens the pseudo-terminal and starts the thread; false when no terminal can be had.
    bool start();
    void stop();
    bool running() const { return m_thread.joinable(); }
    // The device path a host opens ("/dev/pts/N"); empty before start.
    const std::string& slavePath() const { return m_slavePath; }

    void setFaults(const EmulatorFaults& faults);
    // The next reply the protocol gives is replaced by exactly these bytes.
    void replaceNextReply(std::string bytes);
    // Sends bytes to the host now, unasked.
    bool inject(std::string_view bytes);

    // What the host sent (at most the last kReceivedCapacity bytes), and forgets it.
    std::string takeReceived();
    std::size_t receivedCount() const;
    // Replies of the protocol written out in full (a late one once it is out).
    std::size_t repliesSent() const;
    // Waits until `count` replies are out; false after `limit`.
    bool waitForRepliesSent(std::size_t count, std::chrono::milliseconds limit) const;

private:
    void run();
    void handleByte(char byte);
    std::string shapeReply(std::string reply, const EmulatorFaults& faults);
    bool writeAll(std::string_view bytes);
    // Writes to the host as the faults shape it; false once stopped or broken.
    bool send(std::string_view bytes, const EmulatorFaults& faults);
    bool waitForStop(std::chrono::milliseconds timeout);
    void closeDescriptors();

    SerialProtocol& m_protocol;
    int m_master = -1;
    int m_slave = -1;
    int m_wake = -1;
    std::string m_slavePath;
    std::thread m_thread;

    mutable std::mutex m_mutex; // guards the members below
    EmulatorFaults m_faults;
    long long m_bytesSinceFaults = 0;
    std::optional<std::string> m_nextReply;
    std::string m_received;
    std::size_t m_receivedCount = 0;
    std::size_t m_repliesSent = 0;
    mutable std::condition_variable m_replySent;
    std::mt19937 m_random;

    std::mutex m_writeMutex; // one writer at a time on the master side
};

} // namespace velmora::sim
