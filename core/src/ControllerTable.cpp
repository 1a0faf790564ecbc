#include "ControllerTable.h"

#include <algorithm>

namespace nrcore {

ControllerTable::ControllerTable(std::size_t capacity) : m_capacity(capacity) {}

void ControllerTable::Update(Slot& slot, const NodeInfo& node, const ScanMarks& marks)
{
    slot.node = node;
    slot.marks.broadcastRound = std::max(slot.marks.broadcastRound, marks.broadcastRound);
    slot.marks.sweep = std::max(slot.marks.sweep, marks.sweep);
}

bool ControllerTable::Queue(const NodeInfo& node, const ScanMarks& marks)
{
    const auto queued = m_queueIndex.find(node.address);
    if (queued != m_queueIndex.end()) {
        Update(m_queue[queued->second], node, marks);
        return true;
    }
    if (m_queue.size() >= m_capacity)
        return false;
    m_queueIndex.emplace(node.address, m_queue.size());
    m_queue.push_back(Slot{node, marks});
    return true;
}

bool ControllerTable::TakeIn()
{
    bool changed = false;
    for (const Slot& slot : m_queue) {
        bool slotChanged = false;
        Put(slot.node, slot.marks, slotChanged);
        changed = changed || slotChanged;
    }
    m_queue.clear();
    m_queueIndex.clear();
    return changed;
}

int ControllerTable::Put(const NodeInfo& node, const ScanMarks& marks, bool& changed)
{
    changed = false;
    const auto known = m_entryIndex.find(node.address);
    if (known != m_entryIndex.end()) {
        Slot& entry = m_entries[known->second];
        changed = entry.node != node;
        Update(entry, node, marks);
        return static_cast<int>(known->second);
    }
    if (m_entries.size() >= m_capacity)
        return -1;
    m_entryIndex.emplace(node.address, m_entries.size());
    m_entries.push_back(Slot{node, marks});
    changed = true;
    return static_cast<int>(m_entries.size() - 1);
}

void ControllerTable::Clear(const std::function<bool(const ScanMarks& marks)>& requeue)
{
    std::vector<Slot> queue;
    std::unordered_map<std::uint32_t, std::size_t> queueIndex;
    std::vector<bool> placed(m_queue.size(), false);
    // The queue and the table are each within the capacity, so the re-queued entries
    // alone always fit; only the queued answers behind them can overflow.
    for (Slot& entry : m_entries) {
        if (!requeue(entry.marks))
            continue;
        const auto queued = m_queueIndex.find(entry.node.address);
        if (queued != m_queueIndex.end()) {
            Update(entry, m_queue[queued->second].node, m_queue[queued->second].marks);
            placed[queued->second] = true;
        }
        queueIndex.emplace(entry.node.address, queue.size());
        queue.push_back(std::move(entry));
    }
    for (std::size_t i = 0; i < m_queue.size() && queue.size() < m_capacity; ++i) {
        if (placed[i])
            continue;
        queueIndex.emplace(m_queue[i].node.address, queue.size());
        queue.push_back(std::move(m_queue[i]));
    }
    m_queue = std::move(queue);
    m_queueIndex = std::move(queueIndex);
    m_entries.clear();
    m_entryIndex.clear();
}

const NodeInfo* ControllerTable::At(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_entries.size())
        return nullptr;
    return &m_entries[static_cast<std::size_t>(index)].node;
}

std::vector<std::uint32_t> ControllerTable::Addresses() const
{
    std::vector<std::uint32_t> addresses;
    addresses.reserve(m_entries.size());
    for (const Slot& entry : m_entries)
        addresses.push_back(entry.node.address);
    return addresses;
}

}  // namespace nrcore
