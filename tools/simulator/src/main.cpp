// nrsim: simulated controllers and member nodes that answer the discovery engine's
// queries, each from its own address. Usage in tools/simulator/README.md.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "Protocol.h"
#include "Scenario.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    std::string listenAddress = "0.0.0.0";
    std::string controlEndpoint;
    std::uint64_t seed = std::random_device{}();
    // It stops by itself after this long without a query or command, so that a run
    // that never reached its clean-up leaves nothing behind.
    std::chrono::seconds idleExit{900};
    std::vector<std::string> commands;
};

struct Scheduled {
    Clock::time_point due;
    std::uint64_t sequence;
    nrsim::PlannedDatagram datagram;
    sockaddr_in destination;

    bool operator>(const Scheduled& other) const
    {
        return due != other.due ? due > other.due : sequence > other.sequence;
    }
};

using Schedule = std::priority_queue<Scheduled, std::vector<Scheduled>, std::greater<Scheduled>>;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    void Reset(int fd)
    {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

bool ParseEndpoint(const std::string& text, sockaddr_in& endpoint)
{
    const std::size_t colon = text.rfind(':');
    std::uint32_t address = 0;
    if (colon == std::string::npos || !nrproto::ParseIpv4(text.substr(0, colon), address))
        return false;
    char* end = nullptr;
    const long port = std::strtol(text.c_str() + colon + 1, &end, 10);
    if (*end != '\0' || port <= 0 || port > 65535)
        return false;
    endpoint = sockaddr_in{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(static_cast<std::uint16_t>(port));
    endpoint.sin_addr.s_addr = htonl(address);
    return true;
}

int OpenUdp(const sockaddr_in& local, bool withPacketInfo)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    const int bufferBytes = 4 * 1024 * 1024;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bufferBytes, sizeof bufferBytes);
    if ((withPacketInfo && setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0) ||
        bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Sends from `source`, which must be an address of this host (any 127.x on loopback).
bool SendFrom(int fd, std::uint32_t source, const sockaddr_in& destination, const std::vector<std::uint8_t>& bytes,
              int& error)
{
    iovec data{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = const_cast<sockaddr_in*>(&destination);
    message.msg_namelen = sizeof destination;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = htonl(source);
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    if (sendmsg(fd, &message, 0) >= 0)
        return true;
    error = errno;
    return false;
}

// Reads queries until the socket is empty (or a bound is reached) and schedules the answers.
void TakeQueries(int fd, nrsim::Scenario& scenario, Schedule& schedule, std::uint64_t& sequence)
{
    for (int read = 0; read < 1024; ++read) {
        std::uint8_t buffer[nrproto::kMaxDatagram + 1];
        sockaddr_in from{};
        iovec data{buffer, sizeof buffer};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t size = recvmsg(fd, &message, 0);
        if (size < 0)
            return;
        std::uint32_t destination = 0;
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(header), sizeof info);
                destination = ntohl(info.ipi_addr.s_addr);
            }
        }
        nrproto::Query query;
        if (nrproto::DecodeQuery(buffer, static_cast<std::size_t>(size), query) != nrproto::DecodeStatus::Ok) {
            scenario.CountBadQuery();
            continue;
        }
        const Clock::time_point now = Clock::now();
        for (nrsim::PlannedDatagram& datagram : scenario.Plan(query, destination)) {
            const Clock::time_point due = now + datagram.delay;
            schedule.push(Scheduled{due, sequence++, std::move(datagram), from});
        }
    }
}

void SendDue(int answerFd, int wrongPortFd, nrsim::Scenario& scenario, Schedule& schedule, std::uint64_t& sequence)
{
    const Clock::time_point now = Clock::now();
    while (!schedule.empty() && schedule.top().due <= now) {
        Scheduled next = schedule.top();
        schedule.pop();
        int error = 0;
        const int fd = next.datagram.fromWrongPort ? wrongPortFd : answerFd;
        if (SendFrom(fd, next.datagram.source, next.destination, next.datagram.bytes, error)) {
            scenario.CountSent(next.datagram);
        } else if (error == EAGAIN || error == ENOBUFS) {
            next.due = now + std::chrono::milliseconds(1);
            next.sequence = sequence++;
            schedule.push(std::move(next));
            return;
        } else {
            scenario.CountSendFailure();
        }
    }
}

void AnswerControl(int fd, nrsim::Scenario& scenario, Schedule& schedule)
{
    char buffer[1024];
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t size = recvfrom(fd, buffer, sizeof buffer - 1, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (size < 0)
        return;
    const std::uint64_t resetsBefore = scenario.Resets();
    const std::string reply = scenario.Execute(std::string(buffer, static_cast<std::size_t>(size)));
    // Answers still waiting from before a reset belong to the previous scenario: sent
    // later, they would reach a test that has just reset and count in its statistics.
    if (scenario.Resets() != resetsBefore) {
        schedule = Schedule{};
        scenario.SetPending(0);
    }
    sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&from), fromLength);
}

int RunClient(const std::string& endpointText, const std::string& command)
{
    sockaddr_in endpoint{};
    if (!ParseEndpoint(endpointText, endpoint)) {
        std::fprintf(stderr, "nrsim ctl: bad control endpoint %s\n", endpointText.c_str());
        return 2;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    FileDescriptor fd(OpenUdp(local, false));
    if (fd.get() < 0)
        return 2;
    for (int attempt = 0; attempt < 3; ++attempt) {
        sendto(fd.get(), command.data(), command.size(), 0, reinterpret_cast<const sockaddr*>(&endpoint),
               sizeof endpoint);
        pollfd wait{fd.get(), POLLIN, 0};
        if (poll(&wait, 1, 1000) == 1) {
            char reply[1024];
            const ssize_t size = recv(fd.get(), reply, sizeof reply, 0);
            if (size < 0)
                continue;
            std::printf("%.*s\n", static_cast<int>(size), reply);
            return std::strncmp(reply, "ok", 2) == 0 ? 0 : 1;
        }
    }
    std::fprintf(stderr, "nrsim ctl: no reply from %s\n", endpointText.c_str());
    return 3;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option.rfind("--", 0) != 0 || option.size() == 2)
            return false;
        std::vector<std::string> values;
        while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0)
            values.push_back(argv[++i]);
        if (option == "--listen" && values.size() == 1) {
            options.listenAddress = values[0];
        } else if (option == "--control" && values.size() == 1) {
            options.controlEndpoint = values[0];
        } else if (option == "--seed" && values.size() == 1) {
            options.seed = std::strtoull(values[0].c_str(), nullptr, 10);
        } else if (option == "--idle-exit" && values.size() == 1) {
            options.idleExit = std::chrono::seconds(std::strtol(values[0].c_str(), nullptr, 10));
        } else {
            std::string command = option.substr(2);
            for (const std::string& value : values)
                command += " " + value;
            options.commands.push_back(command);
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "ctl") == 0) {
        std::string command;
        for (int i = 3; i < argc; ++i)
            command += (i > 3 ? " " : "") + std::string(argv[i]);
        return RunClient(argv[2], command);
    }
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: nrsim [--listen ADDR] [--control ADDR:PORT] [--seed N] [--idle-exit SECONDS]\n"
                     "             [--COMMAND ARGS...]...\n"
                     "       nrsim ctl ADDR:PORT COMMAND [ARGS...]\n");
        return 2;
    }
    nrsim::Scenario scenario(options.seed);
    for (const std::string& command : options.commands) {
        const std::string reply = scenario.Execute(command);
        if (reply.rfind("ok", 0) != 0) {
            std::fprintf(stderr, "nrsim: --%s: %s\n", command.c_str(), reply.c_str());
            return 2;
        }
    }

    sockaddr_in listen{};
    if (!ParseEndpoint(options.listenAddress + ":" + std::to_string(nrproto::kControllerPort), listen)) {
        std::fprintf(stderr, "nrsim: bad listen address %s\n", options.listenAddress.c_str());
        return 2;
    }
    FileDescriptor answerFd(OpenUdp(listen, true));
    sockaddr_in wrongPort = listen;
    wrongPort.sin_port = 0;
    FileDescriptor wrongPortFd(OpenUdp(wrongPort, true));
    if (answerFd.get() < 0 || wrongPortFd.get() < 0) {
        std::fprintf(stderr, "nrsim: cannot bind %s:%u: %s\n", options.listenAddress.c_str(), nrproto::kControllerPort,
                     std::strerror(errno));
        return 1;
    }
    sockaddr_in controlEndpoint{};
    FileDescriptor controlFd;
    if (!options.controlEndpoint.empty()) {
        if (!ParseEndpoint(options.controlEndpoint, controlEndpoint)) {
            std::fprintf(stderr, "nrsim: bad control endpoint %s\n", options.controlEndpoint.c_str());
            return 2;
        }
        controlFd.Reset(OpenUdp(controlEndpoint, false));
        if (controlFd.get() < 0) {
            std::fprintf(stderr, "nrsim: cannot bind control %s: %s\n", options.controlEndpoint.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    FileDescriptor signalFd(signalfd(-1, &stopSignals, SFD_CLOEXEC));

    std::fprintf(stderr, "nrsim: answering on %s:%u, control %s, seed %llu\n", options.listenAddress.c_str(),
                 nrproto::kControllerPort, options.controlEndpoint.empty() ? "none" : options.controlEndpoint.c_str(),
                 static_cast<unsigned long long>(options.seed));

    Schedule schedule;
    std::uint64_t sequence = 0;
    Clock::time_point lastActivity = Clock::now();
    while (!scenario.QuitRequested()) {
        const Clock::time_point wakeAt = schedule.empty()
                                             ? lastActivity + options.idleExit
                                             : std::min(schedule.top().due, lastActivity + options.idleExit);
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wakeAt - Clock::now());
        const int timeoutMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count()));
        pollfd fds[] = {{answerFd.get(), POLLIN, 0}, {controlFd.get(), POLLIN, 0}, {signalFd.get(), POLLIN, 0}};
        const int ready = poll(fds, 3, timeoutMs);
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[2].revents & POLLIN)
            break;
        if (ready > 0) {
            lastActivity = Clock::now();
        } else if (schedule.empty() && Clock::now() >= lastActivity + options.idleExit) {
            std::fprintf(stderr, "nrsim: idle for %lld s, stopping\n",
                         static_cast<long long>(options.idleExit.count()));
            break;
        }
        if (fds[0].revents & POLLIN)
            TakeQueries(answerFd.get(), scenario, schedule, sequence);
        SendDue(answerFd.get(), wrongPortFd.get(), scenario, schedule, sequence);
        scenario.SetPending(schedule.size());
        if (fds[1].revents & POLLIN)
            AnswerControl(controlFd.get(), scenario, schedule);
    }
    return 0;
}
