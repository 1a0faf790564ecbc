// The engine's requests: construction and shutdown, nonces, polling, broadcasts, the
// table's reads and the query of one named controller.
#include "UdpFindControllers.h"

#include <bcrypt.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <random>

#include "LocalInterfaces.h"

namespace nrcore {
namespace {

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

std::uint64_t UdpFindControllers::RandomNumber()
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

std::uint64_t UdpFindControllers::NewNonceLocked(RequestKind kind)
{
    std::uint64_t nonce = 0;
    // A zero nonce is never used, so a zeroed forgery cannot match.
    while (nonce == 0)
        nonce = RandomNumber();
    m_nonces.Add(nonce, kind, Clock::now());
    return nonce;
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

}  // namespace nrcore
