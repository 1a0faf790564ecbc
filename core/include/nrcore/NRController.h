// Public interface of the controller discovery library.
//
// NRController stands for the local host; its engine, NRFindControllers, finds the
// Host Controllers on the local networks and keeps a table of them, indexed from 0.
// An entry keeps its index until the next ClearControllerList.
#pragma once

#include <memory>
#include <string>

#include "nrcore/Exceptions.h"

class NRFindControllers {
public:
    virtual ~NRFindControllers() = default;

    // Stops the engine's background re-query of known controllers.
    virtual void SuspendPoll() = 0;
    // Starts (or keeps) the background re-query; harmless without a SuspendPoll before it.
    virtual void ResumePoll() = 0;

    // Sends a discovery request to a dotted directed-broadcast address (and to the
    // subnet broadcast of every local interface inside that classful network).
    // Returns the number of requests sent, 0 when none could be sent.
    virtual int SendBroadcast(char* broadcastAddress) = 0;

    // Empties the table. Answers to requests sent before the call still count.
    virtual void ClearControllerList() = 0;

    // Takes in the answers that have arrived, waiting at most waitMs milliseconds for
    // the first one. Returns non-zero only when the table gained or changed an entry.
    virtual int ListenForControllers(int waitMs) = 0;

    virtual int GetControllerCount() = 0;
    // Entry texts; "" for an index outside the table.
    virtual std::string GetNodeAddress(int index) = 0;
    virtual std::string GetHostName(int index) = 0;
    // Non-zero for a member node (one that belongs to a controller).
    virtual unsigned char IsMember(int index) = 0;

    // Queries one controller by host name or dotted address. Returns its address after
    // adding it to the table, or "" when the name does not resolve or nothing answers.
    // Throws ExceptionMemberFound for a member node, ExceptionCommunicationsError when
    // the query cannot be sent or the socket fails.
    virtual std::string AddSpecificController(std::string nameOrAddress) = 0;
};

class NRController {
public:
    // localAddress: the local host's first IPv4 address in dotted form ("" when unknown).
    explicit NRController(const std::string& localAddress);
    virtual ~NRController();

    NRController(const NRController&) = delete;
    NRController& operator=(const NRController&) = delete;

    // The engine; it lives as long as this object.
    NRFindControllers* getFindControllers() { return m_engine.get(); }
    const std::string& localAddress() const { return m_localAddress; }

protected:
    // For another engine behind the same object (tests, other transports).
    NRController(const std::string& localAddress, std::unique_ptr<NRFindControllers> engine);

private:
    std::string m_localAddress;
    std::unique_ptr<NRFindControllers> m_engine;
};
