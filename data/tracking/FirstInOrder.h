#pragma once

#include <QList>
#include <QSet>

#include <algorithm>
#include <vector>

// The first few of many things by a key, offered in any order: those a
// stable sort of them all would put first, without holding the rest (a
// million numbers found in use keep a few hundred lines). Things of one
// group (>= 0) count once, by the first of them in key order.
template <typename Key, typename T>
class FirstInOrder
{
public:
    explicit FirstInOrder(int kept) : m_kept(std::max(0, kept)) {}

    // make() gives the thing only when it is kept for now.
    template <typename Make>
    void offer(const Key& key, Make&& make, int group = -1)
    {
        const qint64 seq = m_seq++;
        if (group >= 0 && m_groups.contains(group)) {
            const auto it = std::find_if(m_heap.begin(), m_heap.end(),
                                         [group](const Item& item) { return item.group == group; });
            if (key < it->key) {
                *it = {key, seq, group, make()};
                std::make_heap(m_heap.begin(), m_heap.end(), &FirstInOrder::before);
            }
            return;
        }
        if (m_kept == 0 || (int(m_heap.size()) == m_kept && !(key < m_heap.front().key)))
            return;
        m_heap.push_back({key, seq, group, make()});
        std::push_heap(m_heap.begin(), m_heap.end(), &FirstInOrder::before);
        if (group >= 0)
            m_groups.insert(group);
        if (int(m_heap.size()) > m_kept) {
            std::pop_heap(m_heap.begin(), m_heap.end(), &FirstInOrder::before);
            m_groups.remove(m_heap.back().group);
            m_heap.pop_back();
        }
    }

    // The ones kept, first first.
    QList<T> sorted() const
    {
        std::vector<Item> items = m_heap;
        std::sort(items.begin(), items.end(), &FirstInOrder::before);
        QList<T> out;
        out.reserve(int(items.size()));
        for (const Item& item : items)
            out.append(item.value);
        return out;
    }

private:
    struct Item
    {
        Key key;
        qint64 seq; // equal keys keep the order they came in
        int group;
        T value;
    };
    static bool before(const Item& a, const Item& b)
    {
        return a.key < b.key || (!(b.key < a.key) && a.seq < b.seq);
    }

    int m_kept;
    qint64 m_seq = 0;
    std::vector<Item> m_heap; // the last of the kept on top
    QSet<int> m_groups;
};
