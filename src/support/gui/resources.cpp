// The program's pictures compiled into the gui library.
#include "support/gui/resources.h"

#include <QtCore/qglobal.h>

// Resources of a static library must be registered by name from global scope.
static void initSupportResourcesOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    Q_INIT_RESOURCE(fentaro_support);
}

namespace kx::ui {

void initResources() {
    initSupportResourcesOnce();
}

} // namespace kx::ui
