// The Back / Forward stacks as sequences of operations.
#include "browser/history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

// Runs a script of operations on a History<int>: "r5" record, "o5" record only if not on top,
// "b" pop back, "f" pop forward, "B5" push back, "F5" push forward, "cf" clear forward,
// "cb" clear back, "x" reset. Popped values are collected.
std::vector<int> run(History<int>& h, const std::vector<std::string>& ops) {
    std::vector<int> popped;
    for (const std::string& op : ops) {
        const int n = op.size() > 1 && op[1] != 'f' && op[1] != 'b' ? std::stoi(op.substr(1)) : 0;
        if (op == "b")
            popped.push_back(h.popBack());
        else if (op == "f")
            popped.push_back(h.popForward());
        else if (op == "cf")
            h.clearForward();
        else if (op == "cb")
            h.clearBack();
        else if (op == "x")
            h.reset();
        else if (op[0] == 'r')
            h.record(n, false);
        else if (op[0] == 'o')
            h.record(n, true);
        else if (op[0] == 'B')
            h.pushBack(n);
        else if (op[0] == 'F')
            h.pushForward(n);
    }
    return popped;
}

TEST(History, Sequences) {
    struct Case {
        const char* what;
        std::vector<std::string> ops;
        std::vector<int> back, forward, popped;
    } cases[] = {
        {"records in order", {"r1", "r2", "r2"}, {1, 2, 2}, {}, {}},
        {"only if not on top", {"o1", "o1", "o2", "o1"}, {1, 2, 1}, {}, {}},
        {"root, A, root", {"o0", "o1", "o0"}, {0, 1, 0}, {}, {}},
        {"back then forward", {"r0", "r1", "b", "F2", "b", "F1"}, {}, {2, 1}, {1, 0}},
        {"forward pops the newest", {"F1", "F2", "f", "B9"}, {9}, {1}, {2}},
        {"empty stacks give the null node", {"b", "f"}, {}, {}, {0, 0}},
        {"clear forward only", {"r1", "F2", "cf"}, {1}, {}, {}},
        {"clear back only", {"r1", "F2", "cb"}, {}, {2}, {}},
        {"reset", {"r1", "F2", "x"}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        History<int> h;
        EXPECT_EQ(run(h, c.ops), c.popped) << c.what;
        EXPECT_EQ(h.backStack(), c.back) << c.what;
        EXPECT_EQ(h.forwardStack(), c.forward) << c.what;
        EXPECT_EQ(h.canBack(), !c.back.empty()) << c.what;
        EXPECT_EQ(h.canForward(), !c.forward.empty()) << c.what;
        EXPECT_EQ(h.backTop(), c.back.empty() ? 0 : c.back.back()) << c.what;
        EXPECT_EQ(h.forwardTop(), c.forward.empty() ? 0 : c.forward.back()) << c.what;
    }
}

TEST(History, PointerNodesDefaultToNull) {
    History<const char*> h;
    EXPECT_EQ(h.backTop(), nullptr);
    EXPECT_EQ(h.popForward(), nullptr);
}

} // namespace
} // namespace kx
