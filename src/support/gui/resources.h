// The program's pictures compiled into the gui library.
#pragma once

namespace kx::ui {

// Makes the pictures (":/fentaro/logo.png", ":/fentaro/icon.svg", ":/fentaro/icon.png")
// available. Idempotent; the main window and the about window call it themselves.
void initResources();

} // namespace kx::ui
