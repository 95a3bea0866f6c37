#pragma once
// The size of the screen the user sees.
namespace Platform {

// Size in device pixels of the primary monitor of the display, 0 x 0 when
// there is no display. Opens a display connection of its own when the
// process has none, so call it from the thread that owns the UI.
void PrimaryScreenSize(int* width, int* height);

}  // namespace Platform
