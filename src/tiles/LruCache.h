#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <utility>

// A cache bounded by the bytes its values hold: inserting past the bound drops the least
// recently used values first, so the bytes held never exceed it. A value larger than the whole
// bound is not kept.
template <typename Key, typename Value> class LruCache
{
  public:
    explicit LruCache(std::int64_t limitBytes) : m_limitBytes(limitBytes) {}

    // The value, now the most recently used; null when absent.
    [[nodiscard]] Value* Find(const Key& key)
    {
        const auto found = m_index.find(key);
        if (found == m_index.end()) {
            return nullptr;
        }
        m_order.splice(m_order.begin(), m_order, found->second);
        return &found->second->Item;
    }

    void Insert(const Key& key, Value value, std::int64_t bytes)
    {
        Erase(key);
        if (bytes > m_limitBytes) {
            return;
        }
        while (m_bytes + bytes > m_limitBytes && !m_order.empty()) {
            Erase(m_order.back().Name);
        }
        m_order.push_front(Node{key, std::move(value), bytes});
        m_index.emplace(key, m_order.begin());
        m_bytes += bytes;
    }

    void Erase(const Key& key)
    {
        const auto found = m_index.find(key);
        if (found == m_index.end()) {
            return;
        }
        m_bytes -= found->second->Bytes;
        m_order.erase(found->second);
        m_index.erase(found);
    }

    [[nodiscard]] std::int64_t Bytes() const { return m_bytes; }
    [[nodiscard]] std::int64_t LimitBytes() const { return m_limitBytes; }
    [[nodiscard]] std::size_t Count() const { return m_index.size(); }

  private:
    struct Node {
        Key Name;
        Value Item;
        std::int64_t Bytes = 0;
    };
    std::int64_t m_limitBytes;
    std::int64_t m_bytes = 0;
    std::list<Node> m_order; // the most recently used first
    std::map<Key, typename std::list<Node>::iterator> m_index;
};
