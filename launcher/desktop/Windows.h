#pragma once
// The launcher's windows as the desktop sees them.
class QWindow;

namespace novra {

// The library window: the first top-level window whose object name is "library" or whose title
// contains "NOVRA"; none when there is no such window.
QWindow* libraryWindow();
// Shows the library window (closing it only hides it), raises it and asks the desktop to activate
// it. False when there is no library window.
bool bringLibraryWindowToFront();
// Whether any top-level window of the application is visible.
bool anyWindowVisible();

} // namespace novra
