#include "Scenario.h"

#include <cctype>
#include <cstdio>
#include <sstream>

#include "Malformer.h"

namespace nrsim {
namespace {

const std::map<std::string, Malformation>& MalformationNames()
{
    static const std::map<std::string, Malformation> names{
        {"off", Malformation::Off},
        {"truncated", Malformation::Truncated},
        {"oversized", Malformation::Oversized},
        {"version", Malformation::Version},
        {"nonce", Malformation::Nonce},
        {"magic", Malformation::Magic},
        {"kind", Malformation::Kind},
        {"length", Malformation::Length},
        {"role", Malformation::Role},
        {"wrongport", Malformation::WrongPort},
        {"fuzz", Malformation::Fuzz},
    };
    return names;
}

// Names may carry \xNN escapes, so that a test can send bytes a shell word cannot hold.
std::string Unescape(const std::string& text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            const std::string hex = text.substr(i + 2, 2);
            if (hex.size() == 2 && std::isxdigit(static_cast<unsigned char>(hex[0])) &&
                std::isxdigit(static_cast<unsigned char>(hex[1]))) {
                result.push_back(static_cast<char>(std::stoi(hex, nullptr, 16)));
                i += 3;
                continue;
            }
        }
        result.push_back(text[i]);
    }
    return result;
}

bool ReadAddress(std::istringstream& arguments, std::uint32_t& address)
{
    std::string text;
    return static_cast<bool>(arguments >> text) && nrproto::ParseIpv4(text, address);
}

bool ReadSwitch(std::istringstream& arguments, bool& on)
{
    std::string text;
    if (!(arguments >> text) || (text != "on" && text != "off"))
        return false;
    on = text == "on";
    return true;
}

// Addresses ending in .0 or .255 are skipped, so every node looks like a host.
std::uint32_t NextHostAddress(std::uint32_t address)
{
    do {
        ++address;
    } while ((address & 0xFF) == 0 || (address & 0xFF) == 0xFF);
    return address;
}

const std::string kUsage = "error unknown command (see tools/simulator/README.md)";

}  // namespace

Scenario::Scenario(std::uint64_t seed) : m_random(seed) {}

std::string Scenario::Execute(const std::string& commandLine)
{
    std::istringstream arguments(commandLine);
    std::string command;
    arguments >> command;
    if (command == "ping")
        return "ok";
    if (command == "quit") {
        m_quit = true;
        return "ok";
    }
    if (command == "stats")
        return Stats();
    if (command == "reset") {
        m_nodes.clear();
        m_vacant.clear();
        m_faults = Faults{};
        m_counters = Counters{};
        ++m_resets;
        return "ok";
    }
    if (command == "controllers")
        return AddControllers(arguments);
    if (command == "node")
        return SetNode(arguments, false);
    if (command == "member")
        return SetNode(arguments, true);
    if (command == "malformed")
        return SetMalformed(arguments);
    if (command == "vacant")
        return SetVacant(arguments);
    if (command == "rename" || command == "remove" || command == "silent") {
        std::uint32_t address = 0;
        if (!ReadAddress(arguments, address))
            return "error address expected";
        const auto node = m_nodes.find(address);
        if (node == m_nodes.end())
            return "error no such node";
        if (command == "remove") {
            m_nodes.erase(node);
            return "ok";
        }
        if (command == "silent")
            return ReadSwitch(arguments, node->second.silent) ? "ok" : "error on|off expected";
        std::string name;
        if (!(arguments >> name))
            return "error name expected";
        node->second.name = Unescape(name);
        return "ok";
    }
    if (command == "delay") {
        if (!(arguments >> m_faults.delayMs) || m_faults.delayMs < 0)
            return "error milliseconds expected";
        if (!(arguments >> m_faults.jitterMs))
            m_faults.jitterMs = 0;
        return m_faults.jitterMs >= 0 ? "ok" : "error jitter must not be negative";
    }
    if (command == "loss") {
        return arguments >> m_faults.lossPercent && m_faults.lossPercent >= 0 && m_faults.lossPercent <= 100
                   ? "ok"
                   : "error percent expected";
    }
    if (command == "duplicates") {
        return arguments >> m_faults.duplicates && m_faults.duplicates >= 1 && m_faults.duplicates <= 100
                   ? "ok"
                   : "error count 1-100 expected";
    }
    if (command == "window")
        return ReadSwitch(arguments, m_faults.honourWindow) ? "ok" : "error on|off expected";
    return kUsage;
}

std::string Scenario::AddControllers(std::istringstream& arguments)
{
    long count = 0;
    std::uint32_t address = 0;
    std::string prefix = "ctl-";
    if (!(arguments >> count) || count < 0 || count > 100000 || !ReadAddress(arguments, address)) {
        return "error usage: controllers COUNT FIRST-ADDRESS [NAME-PREFIX]";
    }
    arguments >> prefix;
    for (long i = 1; i <= count; ++i) {
        char number[24];
        std::snprintf(number, sizeof number, "%04ld", i);
        m_nodes[address] = SimNode{Unescape(prefix) + number, false, 0, false};
        address = NextHostAddress(address);
    }
    return "ok";
}

std::string Scenario::SetNode(std::istringstream& arguments, bool member)
{
    std::uint32_t address = 0;
    std::uint32_t controller = 0;
    std::string name;
    if (!ReadAddress(arguments, address) || !(arguments >> name) || (member && !ReadAddress(arguments, controller))) {
        return member ? "error usage: member ADDRESS NAME CONTROLLER-ADDRESS" : "error usage: node ADDRESS NAME";
    }
    m_nodes[address] = SimNode{Unescape(name), member, controller, false};
    return "ok";
}

std::string Scenario::SetMalformed(std::istringstream& arguments)
{
    std::string mode;
    arguments >> mode;
    const auto found = MalformationNames().find(mode);
    if (found == MalformationNames().end())
        return "error unknown mode";
    m_faults.malformed = found->second;
    int count = 0;
    if (arguments >> count) {
        if (count < 1 || count > 1000)
            return "error count 1-1000 expected";
        m_faults.fuzzCount = count;
    }
    return "ok";
}

std::string Scenario::SetVacant(std::istringstream& arguments)
{
    const std::streampos start = arguments.tellg();
    std::string word;
    if (arguments >> word && word == "off") {
        m_vacant.clear();
        return "ok";
    }
    arguments.clear();
    arguments.seekg(start);
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    if (!ReadAddress(arguments, first) || !ReadAddress(arguments, last) || first > last) {
        return "error usage: vacant FIRST LAST | vacant off";
    }
    m_vacant.emplace_back(first, last);
    return "ok";
}

std::string Scenario::Stats() const
{
    std::ostringstream text;
    text << "ok nodes=" << m_nodes.size() << " queries=" << m_counters.queries
         << " broadcast=" << m_counters.broadcastQueries << " unicast=" << m_counters.unicastQueries
         << " bad=" << m_counters.badQueries << " answers=" << m_counters.answers
         << " malformed=" << m_counters.malformed << " sendfail=" << m_counters.sendFailures
         << " pending=" << m_pending;
    return text.str();
}

std::vector<PlannedDatagram> Scenario::Plan(const nrproto::Query& query, std::uint32_t destination)
{
    ++m_counters.queries;
    std::vector<PlannedDatagram> plan;
    const auto unicastTarget = m_nodes.find(destination);
    if (unicastTarget != m_nodes.end()) {
        ++m_counters.unicastQueries;
        PlanNode(query, unicastTarget->first, unicastTarget->second, plan);
        return plan;
    }
    for (const auto& [first, last] : m_vacant) {
        if (destination >= first && destination <= last) {
            ++m_counters.unicastQueries;
            return plan;
        }
    }
    ++m_counters.broadcastQueries;
    for (const auto& [address, node] : m_nodes)
        PlanNode(query, address, node, plan);
    return plan;
}

void Scenario::PlanNode(const nrproto::Query& query, std::uint32_t address, const SimNode& node,
                        std::vector<PlannedDatagram>& plan)
{
    if (node.silent)
        return;
    if (m_faults.lossPercent > 0 && std::uniform_int_distribution<int>(1, 100)(m_random) <= m_faults.lossPercent) {
        return;
    }
    int delay = m_faults.delayMs;
    if (m_faults.jitterMs > 0)
        delay += std::uniform_int_distribution<int>(0, m_faults.jitterMs)(m_random);
    if (m_faults.honourWindow && query.answerWindowMs > 0) {
        delay += std::uniform_int_distribution<int>(0, query.answerWindowMs - 1)(m_random);
    }
    nrproto::Answer answer;
    answer.nonce = query.nonce;
    answer.role = node.member ? nrproto::NodeRole::Member : nrproto::NodeRole::Controller;
    answer.controllerAddress = node.member ? node.controller : 0;
    answer.hostName = node.name;

    const Malformation malformed = m_faults.malformed;
    const bool broken = malformed != Malformation::Off && malformed != Malformation::WrongPort;
    const int copies = malformed == Malformation::Fuzz ? m_faults.fuzzCount : m_faults.duplicates;
    for (int copy = 0; copy < copies; ++copy) {
        PlannedDatagram datagram{std::chrono::milliseconds(delay), address, malformed == Malformation::WrongPort,
                                 broken, broken ? Malform(answer, malformed, m_random) : nrproto::EncodeAnswer(answer)};
        plan.push_back(std::move(datagram));
    }
}

void Scenario::CountSent(const PlannedDatagram& datagram)
{
    if (datagram.malformed || datagram.fromWrongPort) {
        ++m_counters.malformed;
    } else {
        ++m_counters.answers;
    }
}

}  // namespace nrsim
