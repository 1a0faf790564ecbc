#include "ControllerTable.h"

namespace nrcore {

ControllerTable::ControllerTable(std::size_t capacity) : m_capacity(capacity) {}

bool ControllerTable::Queue(const NodeInfo& node, std::uint64_t nonce) {
    const auto queued = m_queueIndex.find(node.address);
    if (queued != m_queueIndex.end()) {
        m_queue[queued->second] = Slot{node, nonce};
        return true;
    }
    if (m_queue.size() >= m_capacity) return false;
    m_queueIndex.emplace(node.address, m_queue.size());
    m_queue.push_back(Slot{node, nonce});
    return true;
}

bool ControllerTable::TakeIn() {
    bool changed = false;
    for (const Slot& slot : m_queue) {
        bool slotChanged = false;
        Put(slot.node, slot.nonce, slotChanged);
        changed = changed || slotChanged;
    }
    m_queue.clear();
    m_queueIndex.clear();
    return changed;
}

int ControllerTable::Put(const NodeInfo& node, std::uint64_t nonce, bool& changed) {
    changed = false;
    const auto known = m_entryIndex.find(node.address);
    if (known != m_entryIndex.end()) {
        Slot& entry = m_entries[known->second];
        changed = entry.node != node;
        entry = Slot{node, nonce};
        return static_cast<int>(known->second);
    }
    if (m_entries.size() >= m_capacity) return -1;
    m_entryIndex.emplace(node.address, m_entries.size());
    m_entries.push_back(Slot{node, nonce});
    changed = true;
    return static_cast<int>(m_entries.size() - 1);
}

void ControllerTable::Clear(const std::function<bool(std::uint64_t nonce)>& requeue) {
    std::vector<Slot> queue;
    std::unordered_map<std::uint32_t, std::size_t> queueIndex;
    for (const Slot& entry : m_entries) {
        if (requeue(entry.nonce) && m_queueIndex.count(entry.node.address) == 0) {
            queueIndex.emplace(entry.node.address, queue.size());
            queue.push_back(entry);
        }
    }
    for (Slot& slot : m_queue) {
        queueIndex.emplace(slot.node.address, queue.size());
        queue.push_back(std::move(slot));
    }
    m_queue = std::move(queue);
    m_queueIndex = std::move(queueIndex);
    m_entries.clear();
    m_entryIndex.clear();
}

const NodeInfo* ControllerTable::At(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_entries.size()) return nullptr;
    return &m_entries[static_cast<std::size_t>(index)].node;
}

std::vector<std::uint32_t> ControllerTable::Addresses() const {
    std::vector<std::uint32_t> addresses;
    addresses.reserve(m_entries.size());
    for (const Slot& entry : m_entries) addresses.push_back(entry.node.address);
    return addresses;
}

}  // namespace nrcore
