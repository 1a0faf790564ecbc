// The engine's socket: opening it (and reopening it after a failure), sending one
// query, and the receiving thread that drains it and files each valid answer.
#include "UdpFindControllers.h"

#include <mswsock.h>

#include <algorithm>

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

}  // namespace

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

int UdpFindControllers::SendQuery(SOCKET socket, std::uint32_t address, const nrproto::Query& query)
{
    const std::vector<std::uint8_t> datagram = nrproto::EncodeQuery(query);
    const sockaddr_in target = ControllerEndpoint(address);
    const int sent = sendto(socket, reinterpret_cast<const char*>(datagram.data()), static_cast<int>(datagram.size()),
                            0, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    return sent == SOCKET_ERROR ? WSAGetLastError() : 0;
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

}  // namespace nrcore
