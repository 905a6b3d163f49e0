// The progress window driven by a list write: a step per record, the window's abort flag.
#pragma once

#include "listfile/innerlist.h"
#include "support/gui/progress.h"

namespace kx::ui {

inline kx::WriteProgress writeProgressOf(Progress& p) {
    kx::WriteProgress w;
    w.step = [&p] { p.stepProgress(); };
    w.abort = &p.counter.abort;
    return w;
}

} // namespace kx::ui
