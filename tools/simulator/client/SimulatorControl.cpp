#include "SimulatorControl.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <thread>

SimulatorControl::SimulatorControl(const std::string& endpoint) : m_socket(INVALID_SOCKET)
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return;
    const std::size_t colon = endpoint.rfind(':');
    if (colon == std::string::npos)
        return;
    in_addr address{};
    if (inet_pton(AF_INET, endpoint.substr(0, colon).c_str(), &address) != 1)
        return;
    m_address = address.s_addr;
    m_port = static_cast<unsigned short>(std::atoi(endpoint.c_str() + colon + 1));
    SOCKET udp = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (udp == INVALID_SOCKET)
        return;
    const DWORD timeoutMs = 1000;
    setsockopt(udp, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    m_socket = udp;
    m_valid = m_port != 0;
}

SimulatorControl::~SimulatorControl()
{
    if (m_socket != INVALID_SOCKET)
        closesocket(static_cast<SOCKET>(m_socket));
    WSACleanup();
}

std::string SimulatorControl::Command(const std::string& command)
{
    if (!m_valid)
        return {};
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(m_port);
    target.sin_addr.s_addr = m_address;
    const SOCKET udp = static_cast<SOCKET>(m_socket);
    for (int attempt = 0; attempt < 3; ++attempt) {
        sendto(udp, command.data(), static_cast<int>(command.size()), 0, reinterpret_cast<const sockaddr*>(&target),
               sizeof target);
        char reply[1024];
        const int size = recv(udp, reply, sizeof reply, 0);
        if (size > 0)
            return std::string(reply, static_cast<std::size_t>(size));
    }
    return {};
}

bool SimulatorControl::Run(const std::string& command)
{
    return Command(command).rfind("ok", 0) == 0;
}

long long SimulatorControl::Stat(const std::string& name)
{
    const std::string reply = Command("stats");
    const std::string key = " " + name + "=";
    const std::size_t at = reply.find(key);
    if (at == std::string::npos)
        return -1;
    return std::atoll(reply.c_str() + at + key.size());
}

bool SimulatorControl::WaitUntilIdle(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Stat("pending") == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}
