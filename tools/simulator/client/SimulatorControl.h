// Drives a running nrsim through its control port, from a Windows program (the
// engine tests and the engine benchmark). Commands are those of tools/simulator/README.md.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

class SimulatorControl {
public:
    // endpoint: "address:port" of the simulator's control socket.
    explicit SimulatorControl(const std::string& endpoint);
    ~SimulatorControl();

    SimulatorControl(const SimulatorControl&) = delete;
    SimulatorControl& operator=(const SimulatorControl&) = delete;

    // The reply to one command; "" when none came.
    std::string Command(const std::string& command);
    // True when the reply starts with "ok".
    bool Run(const std::string& command);
    // One "name=value" field of the "stats" reply; -1 when absent.
    long long Stat(const std::string& name);
    // Waits, at most `limit`, until the simulator has sent every answer it scheduled.
    bool WaitUntilIdle(std::chrono::milliseconds limit);

private:
    std::uintptr_t m_socket;
    bool m_valid = false;
    unsigned long m_address = 0;
    unsigned short m_port = 0;
};
