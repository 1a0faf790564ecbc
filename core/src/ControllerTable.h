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

    bool operator==(const NodeInfo& other) const
    {
        return address == other.address && hostName == other.hostName && member == other.member &&
               controllerAddress == other.controllerAddress;
    }
    bool operator!=(const NodeInfo& other) const { return !(*this == other); }
};

// The scans a node's answers belong to, so that a clear can tell which survive it.
// Each mark numbers a broadcast round or a sweep, 0 for none; the engine hands out
// growing numbers, so the greatest mark a node earned is its newest, and an answer to
// some other request (a poll, a one-node query) leaves the marks as they are.
struct ScanMarks {
    std::uint64_t broadcastRound = 0;
    std::uint64_t sweep = 0;
};

class ControllerTable {
public:
    static constexpr std::size_t kDefaultCapacity = 8192;

    // capacity bounds both the table and the queue, so a flood of answers from
    // distinct sources cannot exhaust memory.
    explicit ControllerTable(std::size_t capacity = kDefaultCapacity);

    // Queues an answer for TakeIn. A later answer from a node already queued replaces
    // the queued one (keeping the greater marks). False when the queue is full.
    bool Queue(const NodeInfo& node, const ScanMarks& marks);

    // Moves every queued answer into the table: a new node is appended while there is
    // room, a known one is updated in place. True when an entry was added or changed.
    bool TakeIn();

    // Adds or updates one node at once. Returns its index, or -1 when the table is full.
    int Put(const NodeInfo& node, const ScanMarks& marks, bool& changed);

    // Empties the table. Entries whose marks `requeue` picks go back to the queue, in
    // table order and ahead of the queued answers; a newer queued answer of such a node
    // takes the entry's place. The queue stays within the capacity: when both do not
    // fit, the queued answers at the back yield.
    void Clear(const std::function<bool(const ScanMarks& marks)>& requeue);

    std::size_t Count() const { return m_entries.size(); }
    // nullptr for an index outside the table.
    const NodeInfo* At(int index) const;
    std::vector<std::uint32_t> Addresses() const;

private:
    struct Slot {
        NodeInfo node;
        ScanMarks marks;
    };
    // Replaces slot's node by a newer answer, keeping the greater marks.
    static void Update(Slot& slot, const NodeInfo& node, const ScanMarks& marks);

    std::size_t m_capacity;
    std::vector<Slot> m_entries;
    std::unordered_map<std::uint32_t, std::size_t> m_entryIndex;
    std::vector<Slot> m_queue;
    std::unordered_map<std::uint32_t, std::size_t> m_queueIndex;
};

}  // namespace nrcore
