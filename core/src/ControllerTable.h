// The engine's table of answering nodes and the queue of answers not yet taken in.
// Not thread-safe: the engine guards it with its lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace nrcore {

struct NodeInfo {
    std::uint32_t address = 0;  // host order; the source address of the answer
    std::string hostName;
    bool member = false;
    std::uint32_t controllerAddress = 0;  // of a member's controller, host order

    bool operator==(const NodeInfo& other) const {
        return address == other.address && hostName == other.hostName && member == other.member &&
               controllerAddress == other.controllerAddress;
    }
    bool operator!=(const NodeInfo& other) const { return !(*this == other); }
};

class ControllerTable {
public:
    static constexpr std::size_t kDefaultCapacity = 8192;

    // capacity bounds both the table and the queue, so a flood of answers from
    // distinct sources cannot exhaust memory.
    explicit ControllerTable(std::size_t capacity = kDefaultCapacity);

    // Queues an answer, received for the request `nonce`, for TakeIn. A later answer
    // from a node already queued replaces the queued one. False when the queue is full.
    bool Queue(const NodeInfo& node, std::uint64_t nonce);
    bool HasQueued() const { return !m_queue.empty(); }

    // Moves every queued answer into the table: a new node is appended while there is
    // room, a known one is updated in place. True when an entry was added or changed.
    bool TakeIn();

    // Adds or updates one node at once. Returns its index, or -1 when the table is full.
    int Put(const NodeInfo& node, std::uint64_t nonce, bool& changed);

    // Empties the table. Entries whose answer came for a request that `requeue` picks
    // go back to the queue, ahead of it, unless a newer answer of that node is queued.
    void Clear(const std::function<bool(std::uint64_t nonce)>& requeue);

    std::size_t Count() const { return m_entries.size(); }
    // nullptr for an index outside the table.
    const NodeInfo* At(int index) const;
    std::vector<std::uint32_t> Addresses() const;

private:
    struct Slot {
        NodeInfo node;
        std::uint64_t nonce;
    };

    std::size_t m_capacity;
    std::vector<Slot> m_entries;
    std::unordered_map<std::uint32_t, std::size_t> m_entryIndex;
    std::vector<Slot> m_queue;
    std::unordered_map<std::uint32_t, std::size_t> m_queueIndex;
};

}  // namespace nrcore
