// The discovery engine over UDP (protocol in core/PROTOCOL.md).
//
// Threads: the caller's; a receiving thread, started with the socket on first use,
// that drains the socket continuously and queues valid answers; a polling thread,
// started by the first ResumePoll; a sweeping thread for each sweep. One lock guards
// the table, the queue, the nonces, the sweep's state and the socket's handles. When
// the socket fails, the receiving thread ends and the next operation that sends opens
// a new socket with a new receiving thread.
//
// The class spans three files: UdpFindControllers.cpp (the requests, polling and the
// table's reads), UdpFindControllersSocket.cpp (the socket and the receive path) and
// UdpFindControllersSweep.cpp (the range sweep).
#pragma once

#include <winsock2.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "BroadcastPlan.h"
#include "ControllerTable.h"
#include "NonceBook.h"
#include "Protocol.h"
#include "SweepPlan.h"
#include "nrcore/NRController.h"

namespace nrcore {

struct EngineTiming {
    using Ms = std::chrono::milliseconds;
    static constexpr std::uint16_t kBroadcastAnswerWindowMs = 250;
    static constexpr std::uint16_t kPollAnswerWindowMs = 1000;
    // A sweep's queries are already spread by its pace; each has one answerer.
    static constexpr std::uint16_t kSweepAnswerWindowMs = 0;
    // A sweep sends at most this share of a second's queries at once, so that a sender
    // held up by the scheduler does not catch up in one burst.
    static constexpr int kSweepBurstDivisor = 20;
    // Most queries sent between two looks at a stop request, whatever the pace.
    static constexpr std::uint64_t kSweepBatchLimit = 2048;
    // Shortest wait between batches: the system's timers are no finer.
    static constexpr Ms kSweepMinimumWait{1};
    // How soon a sweep tries again when no socket can be opened.
    static constexpr Ms kSweepSocketRetry{250};
    static constexpr Ms kPollInterval{5000};
    // How often the polling thread takes in answers while polling is on.
    static constexpr Ms kPollTakeInPeriod{250};
    static constexpr Ms kSpecificWait{2000};
    static constexpr Ms kSpecificRetry{500};
    static constexpr Ms kNonceLifetime{10000};
    static constexpr std::size_t kNonceCapacity = 1024;
    static constexpr Ms kInterfaceCacheLifetime{2000};
    // Safety net in case a read event is ever missed: the socket is drained this often regardless.
    static constexpr DWORD kReceiveIdleWakeMs = 200;
    static constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;
    static constexpr int kSendBufferBytes = 1024 * 1024;
};

class UdpFindControllers final : public NRFindControllers {
public:
    UdpFindControllers();
    ~UdpFindControllers() override;

    UdpFindControllers(const UdpFindControllers&) = delete;
    UdpFindControllers& operator=(const UdpFindControllers&) = delete;

    void SuspendPoll() override;
    void ResumePoll() override;
    int SendBroadcast(char* broadcastAddress) override;
    void ClearControllerList() override;
    int ListenForControllers(int waitMs) override;
    int GetControllerCount() override;
    std::string GetNodeAddress(int index) override;
    std::string GetHostName(int index) override;
    unsigned char IsMember(int index) override;
    std::string GetControllerAddress(int index) override;
    std::string AddSpecificController(std::string nameOrAddress) override;

    // The range sweep (UdpFindControllersSweep.cpp).
    bool StartSweep(const std::vector<NRAddressRange>& ranges, int queriesPerSecond) override;
    NRSweepProgress GetSweepProgress() override;
    void StopSweep() override;

private:
    using Clock = std::chrono::steady_clock;

    struct Received {
        nrproto::Answer answer;
        std::uint32_t source;
    };
    struct SpecificQuery {
        std::uint32_t target;
        bool answered;
        NodeInfo node;
    };
    struct Sweep {
        std::vector<NRAddressRange> ranges;  // from SweepRanges
        // The next address to query: ranges[rangeIndex].first <= next <= its last.
        std::size_t rangeIndex = 0;
        std::uint32_t next = 0;
        std::uint64_t sent = 0;
        std::uint64_t total = 0;
        int queriesPerSecond = 0;
        SweepKey key;
        std::uint64_t mark = 0;  // 0: no sweep yet
        bool running = false;
        bool stopRequested = false;
        // Once not running: when its answers stop counting.
        Clock::time_point answersUntil;
    };

    // Requests and polling (UdpFindControllers.cpp).
    std::uint64_t NewNonceLocked(RequestKind kind);
    // From the system's generator: the nonces and the sweep's keys.
    static std::uint64_t RandomNumber();
    std::vector<InterfaceAddress> LocalInterfaces();
    void PollLoop();

    // The socket and the receive path (UdpFindControllersSocket.cpp).
    // Opens the socket and starts the receiving thread unless they run; after a socket
    // failure, first retires the failed ones. 0 or a Winsock error code. `lock` holds
    // m_mutex; it is released while the ended receiving thread is joined.
    int EnsureSocket(std::unique_lock<std::mutex>& lock);
    // 0 or a Winsock error code.
    static int SendQuery(SOCKET socket, std::uint32_t address, const nrproto::Query& query);
    // The receiving thread gets its socket and events as arguments: a reopen replaces
    // the members while an ended thread may still be on its way out.
    void ReceiveLoop(SOCKET socket, WSAEVENT readEvent, WSAEVENT stopEvent);
    // Reads until the socket has nothing more, or a bounded number of datagrams;
    // false when the socket failed.
    bool DrainSocket(SOCKET socket, std::vector<Received>& batch);
    void AcceptBatch(std::vector<Received>& batch);

    // The range sweep (UdpFindControllersSweep.cpp).
    void SweepLoop();
    // Ends the sweeping thread, if any. Caller holds m_sweepControl, not m_mutex.
    void EndSweep();
    // Whether answers to the latest sweep still count. Caller holds m_mutex.
    bool SweepAnswersCountLocked(Clock::time_point now) const;
    // Whether the answer is one to the latest sweep's query of its source. Caller holds m_mutex.
    bool IsSweepAnswerLocked(const Received& received, Clock::time_point now) const;

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::condition_variable m_pollWake;
    ControllerTable m_table;
    NonceBook m_nonces;
    // Broadcasts sent since the last listen or clear: their answers survive a clear.
    // Such answers carry the round's mark; each listen and clear starts a new round.
    std::vector<std::uint64_t> m_broadcastBatch;
    std::uint64_t m_broadcastRound = 1;
    std::unordered_map<std::uint64_t, SpecificQuery> m_specificQueries;
    Sweep m_sweep;
    std::condition_variable m_sweepWake;
    bool m_pollEnabled = false;
    bool m_stopping = false;
    Clock::time_point m_nextPollRound;
    // Set by the receiving thread when the socket fails, just before it ends.
    int m_socketError = 0;

    bool m_winsockStarted = false;
    SOCKET m_socket = INVALID_SOCKET;
    WSAEVENT m_readEvent = WSA_INVALID_EVENT;
    WSAEVENT m_stopEvent = WSA_INVALID_EVENT;
    std::thread m_receiver;
    std::thread m_poller;
    // Serialises StartSweep, StopSweep and the destructor, which join m_sweeper.
    std::mutex m_sweepControl;
    std::thread m_sweeper;

    // Only the engine tests' hook that closes the socket under the engine, as a failing
    // network stack would; a real failure cannot be provoked on demand.
    friend struct UdpFindControllersTestAccess;

    std::mutex m_interfaceMutex;
    std::vector<InterfaceAddress> m_interfaces;
    Clock::time_point m_interfacesReadAt;
    bool m_interfacesRead = false;
};

}  // namespace nrcore
