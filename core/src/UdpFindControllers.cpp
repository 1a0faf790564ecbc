#include "UdpFindControllers.h"

#include <ws2tcpip.h>
#include <bcrypt.h>
#include <mswsock.h>

#include <algorithm>
#include <random>

#include "LocalInterfaces.h"

namespace nrcore {
namespace {

sockaddr_in ControllerEndpoint(std::uint32_t address)
{
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(nrproto::kControllerPort);
    endpoint.sin_addr.s_addr = htonl(address);
    return endpoint;
}

// First IPv4 address of a host name, or false when it does not resolve.
bool ResolveIpv4(const std::string& name, std::uint32_t& address)
{
    if (nrproto::ParseIpv4(name, address))
        return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* results = nullptr;
    if (name.empty() || getaddrinfo(name.c_str(), nullptr, &hints, &results) != 0 || !results)
        return false;
    address = ntohl(reinterpret_cast<const sockaddr_in*>(results->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(results);
    return true;
}

std::uint64_t RandomNumber()
{
    std::uint64_t number = 0;
    const NTSTATUS status =
        BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&number), sizeof number, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (!BCRYPT_SUCCESS(status)) {
        std::random_device device;
        number = static_cast<std::uint64_t>(device()) << 32 | device();
    }
    return number;
}

// Moves a sweep's cursor (the range and the address in it) on by one address.
void StepSweepCursor(const std::vector<NRAddressRange>& ranges, std::size_t& rangeIndex, std::uint32_t& next)
{
    if (next < ranges[rangeIndex].last) {
        ++next;
    } else if (++rangeIndex < ranges.size()) {
        next = ranges[rangeIndex].first;
    }
}

std::string WinsockErrorText(const std::string& step, int error)
{
    return step + " failed (Winsock error " + std::to_string(error) + ")";
}

}  // namespace

UdpFindControllers::UdpFindControllers() : m_nonces(EngineTiming::kNonceLifetime, EngineTiming::kNonceCapacity) {}

UdpFindControllers::~UdpFindControllers()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_pollWake.notify_all();
    {
        std::lock_guard<std::mutex> control(m_sweepControl);
        EndSweep();
    }
    // The polling and sweeping threads may reopen the socket until they end, so the
    // receiving thread is stopped only after them.
    if (m_poller.joinable())
        m_poller.join();
    if (m_stopEvent != WSA_INVALID_EVENT)
        WSASetEvent(m_stopEvent);
    if (m_receiver.joinable())
        m_receiver.join();
    if (m_socket != INVALID_SOCKET)
        closesocket(m_socket);
    if (m_readEvent != WSA_INVALID_EVENT)
        WSACloseEvent(m_readEvent);
    if (m_stopEvent != WSA_INVALID_EVENT)
        WSACloseEvent(m_stopEvent);
    if (m_winsockStarted)
        WSACleanup();
}

int UdpFindControllers::EnsureSocket(std::unique_lock<std::mutex>& lock)
{
    if (m_socket != INVALID_SOCKET && m_socketError == 0)
        return 0;
    if (m_socket != INVALID_SOCKET) {
        // The receiving thread has ended or is ending. It takes the lock on its way
        // out, so it is joined without it; meanwhile another caller may open the new socket.
        std::thread ended = std::move(m_receiver);
        const SOCKET failed = m_socket;
        const WSAEVENT readEvent = m_readEvent;
        const WSAEVENT stopEvent = m_stopEvent;
        m_socket = INVALID_SOCKET;
        m_readEvent = WSA_INVALID_EVENT;
        m_stopEvent = WSA_INVALID_EVENT;
        m_socketError = 0;
        lock.unlock();
        // The failure may have been seen by a sender first; the thread then still waits.
        WSASetEvent(stopEvent);
        ended.join();
        closesocket(failed);
        WSACloseEvent(readEvent);
        WSACloseEvent(stopEvent);
        lock.lock();
        if (m_socket != INVALID_SOCKET)
            return m_socketError;
    }
    if (!m_winsockStarted) {
        WSADATA data;
        const int error = WSAStartup(MAKEWORD(2, 2), &data);
        if (error != 0)
            return error;
        m_winsockStarted = true;
    }
    SOCKET udp = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (udp == INVALID_SOCKET)
        return WSAGetLastError();
    const BOOL on = TRUE;
    setsockopt(udp, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
    // The system may grant less; the receiving thread keeps the buffer from filling.
    const int receiveBuffer = EngineTiming::kReceiveBufferBytes;
    setsockopt(udp, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer);
    const int sendBuffer = EngineTiming::kSendBufferBytes;
    setsockopt(udp, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&sendBuffer), sizeof sendBuffer);
    // A port-unreachable reply to one unicast query must not fail later reads.
    BOOL reportResets = FALSE;
    DWORD returned = 0;
    WSAIoctl(udp, SIO_UDP_CONNRESET, &reportResets, sizeof reportResets, nullptr, 0, &returned, nullptr, nullptr);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    WSAEVENT readEvent = WSACreateEvent();
    WSAEVENT stopEvent = WSACreateEvent();
    int error = 0;
    if (readEvent == WSA_INVALID_EVENT || stopEvent == WSA_INVALID_EVENT ||
        bind(udp, reinterpret_cast<const sockaddr*>(&local), sizeof local) == SOCKET_ERROR ||
        WSAEventSelect(udp, readEvent, FD_READ) == SOCKET_ERROR) {
        error = WSAGetLastError();
    }
    if (error != 0) {
        closesocket(udp);
        if (readEvent != WSA_INVALID_EVENT)
            WSACloseEvent(readEvent);
        if (stopEvent != WSA_INVALID_EVENT)
            WSACloseEvent(stopEvent);
        return error;
    }
    m_socket = udp;
    m_readEvent = readEvent;
    m_stopEvent = stopEvent;
    m_receiver = std::thread(&UdpFindControllers::ReceiveLoop, this, udp, readEvent, stopEvent);
    return 0;
}

std::uint64_t UdpFindControllers::NewNonceLocked(RequestKind kind)
{
    std::uint64_t nonce = 0;
    // A zero nonce is never used, so a zeroed forgery cannot match.
    while (nonce == 0)
        nonce = RandomNumber();
    m_nonces.Add(nonce, kind, Clock::now());
    return nonce;
}

int UdpFindControllers::SendQuery(SOCKET socket, std::uint32_t address, const nrproto::Query& query)
{
    const std::vector<std::uint8_t> datagram = nrproto::EncodeQuery(query);
    const sockaddr_in target = ControllerEndpoint(address);
    const int sent = sendto(socket, reinterpret_cast<const char*>(datagram.data()), static_cast<int>(datagram.size()),
                            0, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    return sent == SOCKET_ERROR ? WSAGetLastError() : 0;
}

std::vector<InterfaceAddress> UdpFindControllers::LocalInterfaces()
{
    std::lock_guard<std::mutex> lock(m_interfaceMutex);
    const Clock::time_point now = Clock::now();
    if (!m_interfacesRead || now - m_interfacesReadAt > EngineTiming::kInterfaceCacheLifetime) {
        m_interfaces = ListLocalInterfaces();
        m_interfacesReadAt = now;
        m_interfacesRead = true;
    }
    return m_interfaces;
}

void UdpFindControllers::ReceiveLoop(SOCKET socket, WSAEVENT readEvent, WSAEVENT stopEvent)
{
    const WSAEVENT events[] = {stopEvent, readEvent};
    std::vector<Received> batch;
    for (;;) {
        const DWORD woken = WSAWaitForMultipleEvents(2, events, FALSE, EngineTiming::kReceiveIdleWakeMs, FALSE);
        if (woken == WSA_WAIT_EVENT_0)
            return;
        if (woken == WSA_WAIT_FAILED) {
            std::lock_guard<std::mutex> lock(m_mutex);
            const int error = WSAGetLastError();
            m_socketError = error != 0 ? error : WSASYSCALLFAILURE;
            return;
        }
        WSAResetEvent(readEvent);
        const bool healthy = DrainSocket(socket, batch);
        AcceptBatch(batch);
        if (!healthy)
            return;
    }
}

bool UdpFindControllers::DrainSocket(SOCKET socket, std::vector<Received>& batch)
{
    // One byte more than the largest valid datagram, so an oversized one shows.
    char buffer[nrproto::kMaxDatagram + 1];
    constexpr std::size_t kBatchLimit = 256;
    // Bounded, so that an endless flood still lets the thread see the stop event.
    constexpr int kReadsPerWake = 4096;
    for (int reads = 0; reads < kReadsPerWake; ++reads) {
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int size = recvfrom(socket, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (size == SOCKET_ERROR) {
            const int error = WSAGetLastError();
            if (error == WSAEWOULDBLOCK)
                return true;
            if (error == WSAEMSGSIZE || error == WSAECONNRESET || error == WSAENETRESET)
                continue;
            std::lock_guard<std::mutex> lock(m_mutex);
            m_socketError = error;
            return false;
        }
        if (static_cast<std::size_t>(size) > nrproto::kMaxDatagram || from.sin_family != AF_INET ||
            ntohs(from.sin_port) != nrproto::kControllerPort) {
            continue;
        }
        Received received;
        received.source = ntohl(from.sin_addr.s_addr);
        if (received.source == INADDR_ANY || received.source == INADDR_BROADCAST)
            continue;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer);
        if (nrproto::DecodeAnswer(bytes, static_cast<std::size_t>(size), received.answer) !=
            nrproto::DecodeStatus::Ok) {
            continue;
        }
        batch.push_back(std::move(received));
        if (batch.size() >= kBatchLimit)
            AcceptBatch(batch);
    }
    return true;
}

void UdpFindControllers::AcceptBatch(std::vector<Received>& batch)
{
    if (batch.empty())
        return;
    bool arrived = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const Clock::time_point now = Clock::now();
        for (Received& received : batch) {
            const std::optional<RequestKind> kind = m_nonces.Find(received.answer.nonce, now);
            ScanMarks marks;
            if (!kind) {
                if (!IsSweepAnswerLocked(received, now))
                    continue;
                marks.sweep = m_sweep.mark;
            } else if (*kind == RequestKind::Broadcast && std::find(m_broadcastBatch.begin(), m_broadcastBatch.end(),
                                                                    received.answer.nonce) != m_broadcastBatch.end()) {
                marks.broadcastRound = m_broadcastRound;
            }
            NodeInfo node;
            node.address = received.source;
            node.hostName = std::move(received.answer.hostName);
            node.member = received.answer.role == nrproto::NodeRole::Member;
            node.controllerAddress = received.answer.controllerAddress;
            if (kind == RequestKind::Specific) {
                const auto query = m_specificQueries.find(received.answer.nonce);
                if (query == m_specificQueries.end() || query->second.target != node.address)
                    continue;
                query->second.answered = true;
                query->second.node = std::move(node);
                arrived = true;
            } else {
                arrived = m_table.Queue(node, marks) || arrived;
            }
        }
    }
    batch.clear();
    if (arrived)
        m_arrived.notify_all();
}

void UdpFindControllers::PollLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        if (!m_pollEnabled) {
            m_pollWake.wait(lock);
            continue;
        }
        m_pollWake.wait_for(lock, EngineTiming::kPollTakeInPeriod);
        if (m_stopping || !m_pollEnabled)
            continue;
        m_table.TakeIn();
        const Clock::time_point now = Clock::now();
        if (now < m_nextPollRound)
            continue;
        m_nextPollRound = now + EngineTiming::kPollInterval;
        if (m_table.Count() == 0 || EnsureSocket(lock) != 0 || m_stopping || !m_pollEnabled)
            continue;
        const std::vector<std::uint32_t> addresses = m_table.Addresses();
        const nrproto::Query query{NewNonceLocked(RequestKind::Poll), EngineTiming::kPollAnswerWindowMs};
        const SOCKET socket = m_socket;
        lock.unlock();
        for (std::uint32_t address : addresses)
            SendQuery(socket, address, query);
        lock.lock();
    }
}

void UdpFindControllers::SuspendPoll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pollEnabled = false;
}

void UdpFindControllers::ResumePoll()
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_pollEnabled || EnsureSocket(lock) != 0)
            return;
        m_pollEnabled = true;
        m_nextPollRound = Clock::now() + EngineTiming::kPollInterval;
        if (!m_poller.joinable())
            m_poller = std::thread(&UdpFindControllers::PollLoop, this);
    }
    m_pollWake.notify_all();
}

int UdpFindControllers::SendBroadcast(char* broadcastAddress)
{
    std::uint32_t requested = 0;
    if (!broadcastAddress || !nrproto::ParseIpv4(broadcastAddress, requested))
        return 0;
    nrproto::Query query{0, EngineTiming::kBroadcastAnswerWindowMs};
    SOCKET socket = INVALID_SOCKET;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (EnsureSocket(lock) != 0)
            return 0;
        query.nonce = NewNonceLocked(RequestKind::Broadcast);
        m_broadcastBatch.push_back(query.nonce);
        socket = m_socket;
    }
    int sent = 0;
    for (std::uint32_t target : BroadcastTargets(requested, LocalInterfaces())) {
        if (SendQuery(socket, target, query) == 0)
            ++sent;
    }
    return sent;
}

void UdpFindControllers::ClearControllerList()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Clock::time_point now = Clock::now();
    m_table.Clear([this, now](const ScanMarks& marks) {
        return marks.broadcastRound == m_broadcastRound ||
               (marks.sweep != 0 && marks.sweep == m_sweep.mark && SweepAnswersCountLocked(now));
    });
    m_broadcastBatch.clear();
    ++m_broadcastRound;
}

int UdpFindControllers::ListenForControllers(int waitMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
    std::unique_lock<std::mutex> lock(m_mutex);
    m_broadcastBatch.clear();
    ++m_broadcastRound;
    for (;;) {
        if (m_table.TakeIn())
            return 1;
        if (m_arrived.wait_until(lock, deadline) == std::cv_status::timeout)
            return m_table.TakeIn() ? 1 : 0;
    }
}

int UdpFindControllers::GetControllerCount()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_table.Count());
}

std::string UdpFindControllers::GetNodeAddress(int index)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const NodeInfo* node = m_table.At(index);
    return node ? nrproto::FormatIpv4(node->address) : std::string();
}

std::string UdpFindControllers::GetHostName(int index)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const NodeInfo* node = m_table.At(index);
    return node ? node->hostName : std::string();
}

unsigned char UdpFindControllers::IsMember(int index)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const NodeInfo* node = m_table.At(index);
    return node && node->member ? 1 : 0;
}

std::string UdpFindControllers::GetControllerAddress(int index)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const NodeInfo* node = m_table.At(index);
    return node && node->member ? nrproto::FormatIpv4(node->controllerAddress) : std::string();
}

std::string UdpFindControllers::AddSpecificController(std::string nameOrAddress)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (const int error = EnsureSocket(lock)) {
        throw ExceptionCommunicationsError(error, WinsockErrorText("Opening the discovery socket", error));
    }
    lock.unlock();
    std::uint32_t target = 0;
    if (!ResolveIpv4(nameOrAddress, target))
        return {};
    lock.lock();

    const nrproto::Query query{NewNonceLocked(RequestKind::Specific), 0};
    m_specificQueries[query.nonce] = SpecificQuery{target, false, NodeInfo{}};
    const Clock::time_point deadline = Clock::now() + EngineTiming::kSpecificWait;
    Clock::time_point nextSend = Clock::now();
    int error = 0;
    while (!m_specificQueries[query.nonce].answered && error == 0 && m_socketError == 0) {
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            break;
        if (now >= nextSend) {
            const SOCKET socket = m_socket;
            lock.unlock();
            error = SendQuery(socket, target, query);
            lock.lock();
            nextSend += EngineTiming::kSpecificRetry;
            continue;
        }
        m_arrived.wait_until(lock, std::min(nextSend, deadline));
    }
    const SpecificQuery outcome = m_specificQueries[query.nonce];
    m_specificQueries.erase(query.nonce);
    if (!outcome.answered) {
        if (error == 0)
            error = m_socketError;
        if (error != 0) {
            throw ExceptionCommunicationsError(error,
                                               WinsockErrorText("Querying " + nrproto::FormatIpv4(target), error));
        }
        return {};
    }
    if (outcome.node.member) {
        throw ExceptionMemberFound(0, outcome.node.hostName, nrproto::FormatIpv4(outcome.node.controllerAddress));
    }
    bool changed = false;
    m_table.Put(outcome.node, ScanMarks{}, changed);
    return nrproto::FormatIpv4(target);
}

bool UdpFindControllers::SweepAnswersCountLocked(Clock::time_point now) const
{
    return m_sweep.mark != 0 && (m_sweep.running || now <= m_sweep.answersUntil);
}

bool UdpFindControllers::IsSweepAnswerLocked(const Received& received, Clock::time_point now) const
{
    return SweepAnswersCountLocked(now) && received.answer.nonce == SweepNonce(m_sweep.key, received.source);
}

void UdpFindControllers::SweepLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    using Seconds = std::chrono::duration<double>;
    const double rate = m_sweep.queriesPerSecond;
    const double burst = std::max(1.0, rate / EngineTiming::kSweepBurstDivisor);
    // Queries the pace allows now; it starts empty, so the sweep is never ahead of it.
    double allowance = 0;
    Clock::time_point lastRefill = Clock::now();
    // Replaced only by the next StartSweep, after this thread has ended.
    const std::vector<NRAddressRange>& ranges = m_sweep.ranges;
    while (!m_sweep.stopRequested && m_sweep.sent < m_sweep.total) {
        const Clock::time_point now = Clock::now();
        allowance = std::min(burst, allowance + rate * Seconds(now - lastRefill).count());
        lastRefill = now;
        if (allowance < 1) {
            const auto due = std::chrono::duration_cast<Clock::duration>(Seconds((1 - allowance) / rate));
            m_sweepWake.wait_for(lock, std::max<Clock::duration>(due, EngineTiming::kSweepMinimumWait));
            continue;
        }
        if (EnsureSocket(lock) != 0) {
            m_sweepWake.wait_for(lock, EngineTiming::kSweepSocketRetry);
            continue;
        }
        if (m_sweep.stopRequested)
            break;
        // A bounded batch, so that a stop is seen soon at any pace.
        const std::uint64_t count = std::min<std::uint64_t>(
            {static_cast<std::uint64_t>(allowance), EngineTiming::kSweepBatchLimit, m_sweep.total - m_sweep.sent});
        std::size_t rangeIndex = m_sweep.rangeIndex;
        std::uint32_t next = m_sweep.next;
        const SweepKey key = m_sweep.key;
        const SOCKET socket = m_socket;
        lock.unlock();
        std::uint64_t done = 0;
        int error = 0;
        for (; done < count; ++done) {
            error = SendQuery(socket, next, nrproto::Query{SweepNonce(key, next), EngineTiming::kSweepAnswerWindowMs});
            // Only a failure that concerns the destination (no route to it) leaves the
            // address queried; the others leave it for the next turn.
            if (error != 0 && error != WSAEHOSTUNREACH && error != WSAENETUNREACH)
                break;
            StepSweepCursor(ranges, rangeIndex, next);
        }
        lock.lock();
        m_sweep.rangeIndex = rangeIndex;
        m_sweep.next = next;
        m_sweep.sent += done;
        allowance -= static_cast<double>(done);
        if (done == count)
            continue;
        // A full send buffer empties by itself; any other failure is the socket's,
        // which is then retired so that the rest goes out from a new one.
        if (error != WSAEWOULDBLOCK && error != WSAENOBUFS && m_socket == socket && m_socketError == 0)
            m_socketError = error;
        m_sweepWake.wait_for(lock, EngineTiming::kSweepMinimumWait);
    }
    m_sweep.running = false;
    m_sweep.answersUntil = Clock::now() + EngineTiming::kNonceLifetime;
}

void UdpFindControllers::EndSweep()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sweep.stopRequested = true;
    }
    m_sweepWake.notify_all();
    if (m_sweeper.joinable())
        m_sweeper.join();
}

bool UdpFindControllers::StartSweep(const std::vector<NRAddressRange>& ranges, int queriesPerSecond)
{
    std::vector<NRAddressRange> swept = SweepRanges(ranges);
    const std::uint64_t total = NRAddressCount(swept);
    if (queriesPerSecond < 1 || queriesPerSecond > kMostSweepQueriesPerSecond || total == 0)
        return false;
    std::lock_guard<std::mutex> control(m_sweepControl);
    EndSweep();
    std::unique_lock<std::mutex> lock(m_mutex);
    if (EnsureSocket(lock) != 0)
        return false;
    Sweep sweep;
    sweep.next = swept.front().first;
    sweep.ranges = std::move(swept);
    sweep.total = total;
    sweep.queriesPerSecond = queriesPerSecond;
    sweep.key = SweepKey{RandomNumber(), RandomNumber()};
    sweep.mark = m_sweep.mark + 1;
    sweep.running = true;
    m_sweep = std::move(sweep);
    m_sweeper = std::thread(&UdpFindControllers::SweepLoop, this);
    return true;
}

NRSweepProgress UdpFindControllers::GetSweepProgress()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    NRSweepProgress progress;
    progress.sent = m_sweep.sent;
    progress.total = m_sweep.total;
    progress.running = m_sweep.running;
    return progress;
}

void UdpFindControllers::StopSweep()
{
    std::lock_guard<std::mutex> control(m_sweepControl);
    EndSweep();
}

}  // namespace nrcore
