// The Back and Forward stacks of folder navigation, generic over the folder tree's node handle.
#pragma once

#include <vector>

namespace kx {

// Both stacks hold non-owning node handles, most recent last, without a size limit; the same
// node may occur any number of times. Reading or popping an empty stack gives Node{}.
template <class Node> class History {
public:
    // Pushes onto the back stack; with onlyIfNotOnTop, not when n is already on top.
    void record(Node n, bool onlyIfNotOnTop) {
        if (onlyIfNotOnTop && !m_back.empty() && m_back.back() == n) return;
        m_back.push_back(n);
    }
    bool canBack() const { return !m_back.empty(); }
    bool canForward() const { return !m_forward.empty(); }
    Node backTop() const { return m_back.empty() ? Node{} : m_back.back(); }
    Node forwardTop() const { return m_forward.empty() ? Node{} : m_forward.back(); }
    Node popBack() { return pop(m_back); }
    Node popForward() { return pop(m_forward); }
    void pushBack(Node n) { m_back.push_back(n); }
    void pushForward(Node n) { m_forward.push_back(n); }
    void clearBack() { m_back.clear(); }
    void clearForward() { m_forward.clear(); }
    void reset() {
        m_back.clear();
        m_forward.clear();
    }
    const std::vector<Node>& backStack() const { return m_back; }
    const std::vector<Node>& forwardStack() const { return m_forward; }

private:
    static Node pop(std::vector<Node>& s) {
        if (s.empty()) return Node{};
        Node n = s.back();
        s.pop_back();
        return n;
    }
    std::vector<Node> m_back;
    std::vector<Node> m_forward;
};

} // namespace kx
