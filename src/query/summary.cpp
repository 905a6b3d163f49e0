// Totals over Entries, walked without recursion.
#include "query/summary.h"

#include "query/size80.h"

namespace kx {

void Tally::add(std::uint64_t fileBytes) {
    ++entries;
    bytes = addSaturating(bytes, fileBytes);
}

void Summary::add(const Entry& e) {
    const bool folder = e.isFolder();
    const std::uint64_t b = folder ? 0 : e.size();
    all.add(b);
    (folder ? folders : files).add(b);
    switch (e.mark()) {
    case 0:
        unmarked.add(b);
        break;
    case 1:
        required.add(b);
        break;
    case 2:
        useless.add(b);
        break;
    default:
        break;
    }
    if (e.hasComment()) commented.add(b);
    if (e.isDamaged()) damaged.add(b);
    if (e.crossedOut() != 0) crossedOut.add(b);
}

void Summary::addBelow(const Entry* folder) {
    walkBelow(folder, [this](const Entry* e) {
        add(*e);
        return true;
    });
}

Summary summarizeBelow(const Entry* folder) {
    Summary s;
    if (folder) s.addBelow(folder);
    return s;
}

} // namespace kx
