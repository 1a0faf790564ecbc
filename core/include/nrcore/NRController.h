// Public interface of the controller discovery library.
//
// NRController stands for the local host; its engine, NRFindControllers, finds the
// Host Controllers on the local networks and keeps a table of them, indexed from 0.
// An entry keeps its index until the next ClearControllerList.
//
// The engine talks UDP (core/PROTOCOL.md). Constructing it is cheap: Windows Sockets,
// the socket and the receiving thread start on first use. A receiving thread queues
// valid answers as they arrive; the table takes them in at ListenForControllers (or
// on the polling thread while polling is on). A sweep (StartSweep) queries address
// ranges by unicast from a sending thread of its own. The table holds one entry per node
// address, at most 8192, and the queue as many nodes. When the socket fails, the next
// operation that sends (SendBroadcast, AddSpecificController, a poll round) opens a
// new one. Every operation is thread-safe; destruction stops and joins the engine's
// threads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "nrcore/Exceptions.h"

// IPv4 addresses first to last, both included, in host byte order.
struct NRAddressRange {
    std::uint32_t first;
    std::uint32_t last;
};

// The addresses a sweep may query: all but 0.0.0.0 and 255.255.255.255, from which no
// answer may come.
constexpr std::uint32_t kFirstSweepableAddress = 0x00000001u;
constexpr std::uint32_t kLastSweepableAddress = 0xFFFFFFFEu;

// Network mask of the address's class: /8, /16 or /24 for classes A, B and C (first
// octet 1 to 126, 128 to 191, 192 to 223); 0 for 0.x, 127.x and 224.x and above, which
// have no network to broadcast to. A caller that broadcasts to a local network's
// classful broadcast address takes the class from here, as the engine does.
std::uint32_t NRClassfulMask(std::uint32_t address);

// How many addresses the ranges hold, an address in two ranges counted twice; a range
// whose first address lies above its last holds none.
inline std::uint64_t NRAddressCount(const std::vector<NRAddressRange>& ranges)
{
    std::uint64_t count = 0;
    for (const NRAddressRange& range : ranges)
        count += range.last >= range.first ? std::uint64_t{range.last} - range.first + 1 : 0;
    return count;
}

// How many addresses a sweep of the ranges queries: each address once, however many
// ranges hold it, and neither 0.0.0.0 nor 255.255.255.255.
std::uint64_t NRSweptAddressCount(const std::vector<NRAddressRange>& ranges);

struct NRSweepProgress {
    // Addresses queried so far: each query that left the socket, or that the network
    // refused for its destination alone (no route to that host or network).
    std::uint64_t sent = 0;
    std::uint64_t total = 0;  // addresses the sweep queries in all
    bool running = false;     // queries are still being sent
};

class NRFindControllers {
public:
    // Pace of a sweep for callers without a reason to choose another: a /16 (65,536
    // addresses) then takes about 6.6 s.
    static constexpr int kDefaultSweepQueriesPerSecond = 10000;
    // The fastest pace a sweep takes: far above what a network path of a site carries.
    static constexpr int kMostSweepQueriesPerSecond = 1000000;

    virtual ~NRFindControllers() = default;

    // Stops the engine's background re-query of known controllers. Once it returns,
    // the polling thread takes no more answers into the table.
    virtual void SuspendPoll() = 0;
    // Starts (or keeps) the background re-query: every 5 s each known node is queried
    // by unicast and the answers update names and member flags. Harmless without a
    // SuspendPoll before it.
    virtual void ResumePoll() = 0;

    // Sends a discovery request to a dotted directed-broadcast address (and to the
    // subnet broadcast of every local interface inside that classful network).
    // Returns the number of requests sent, 0 when none could be sent (also for text
    // that is not a dotted a.b.c.d address). The text is not modified.
    virtual int SendBroadcast(char* broadcastAddress) = 0;

    // Empties the table. Answers to requests sent before the call still count: those
    // received and not yet taken in, those still to come, and those the polling
    // thread took in for broadcasts sent since the last listen or clear (whatever
    // else the node answered since). The latter go back to the queue first; when they
    // and the queued answers together exceed the queue's 8192 nodes, the answers
    // queued last yield.
    virtual void ClearControllerList() = 0;

    // Takes in the answers that have arrived, waiting at most waitMs milliseconds for
    // them; returns as soon as an answer changed the table. Returns non-zero only when
    // the table gained or changed an entry. Never blocks longer than waitMs.
    virtual int ListenForControllers(int waitMs) = 0;

    virtual int GetControllerCount() = 0;
    // Entry texts; "" for an index outside the table.
    virtual std::string GetNodeAddress(int index) = 0;
    virtual std::string GetHostName(int index) = 0;
    // Non-zero for a member node (one that belongs to a controller).
    virtual unsigned char IsMember(int index) = 0;
    // The dotted address of a member node's controller; "" for a controller and for an
    // index outside the table.
    virtual std::string GetControllerAddress(int index) = 0;

    // Queries one controller by host name or dotted address. The text is resolved to
    // its first IPv4 address, which is queried by unicast, sent again every 500 ms,
    // for at most 2 s in all; only an answer from that address counts.
    // Returns the controller's dotted address after adding it to the table (or
    // updating its entry; a full table keeps its entries but the address is still
    // returned); "" when the text is empty, does not resolve, or nothing answers.
    // Throws ExceptionMemberFound for a member node (Text() its host name,
    // ControllerAddress() its controller's dotted address, nothing added), and
    // ExceptionCommunicationsError (Code() the Winsock error) when the socket cannot
    // be opened, the query cannot be sent, or the socket fails while waiting.
    virtual std::string AddSpecificController(std::string nameOrAddress) = 0;

    // Queries every address of the ranges by unicast, so that controllers behind
    // routers, which broadcasts do not reach, are found too. Returns at once; a thread
    // of the engine sends the queries, never ahead of queriesPerSecond on average, at
    // most 1/20 s worth at once and at most 2048 between two looks at StopSweep. Each
    // query carries a nonce of its own, and an answer counts only from the address it
    // was sent to, until 10 s after the sweep's last query. Answers go to the queue
    // like broadcast answers (ListenForControllers takes them in), member nodes
    // included, and survive every clear while they count. Overlapping ranges are
    // queried once, a range with first above last is empty, 0.0.0.0 and
    // 255.255.255.255 are skipped; the number of addresses is not bounded here, callers
    // limit it. When the socket fails, the sweep opens a new one and sends the queries
    // that did not leave from it. A new sweep ends the one before, whose answers then
    // no longer count. Returns false, sending nothing, when queriesPerSecond is outside
    // 1 to kMostSweepQueriesPerSecond, the ranges hold no address, or the socket cannot
    // be opened.
    virtual bool StartSweep(const std::vector<NRAddressRange>& ranges, int queriesPerSecond) = 0;
    // Of the latest sweep; all zero before the first.
    virtual NRSweepProgress GetSweepProgress() = 0;
    // Stops sending the sweep's queries; answers to those sent still count for 10 s.
    virtual void StopSweep() = 0;
};

class NRController {
public:
    // localAddress: the local host's first IPv4 address in dotted form ("" when unknown).
    // Callers that follow the library's published interface pass it; this engine reads
    // the local interfaces itself and does not use it, so "" works as well.
    explicit NRController(const std::string& localAddress);
    virtual ~NRController();

    NRController(const NRController&) = delete;
    NRController& operator=(const NRController&) = delete;

    // The engine; it lives as long as this object.
    NRFindControllers* getFindControllers() { return m_engine.get(); }

protected:
    // For another engine behind the same object (tests, other transports).
    NRController(const std::string& localAddress, std::unique_ptr<NRFindControllers> engine);

private:
    std::unique_ptr<NRFindControllers> m_engine;
};
