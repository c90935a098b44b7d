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
// The tray's click: hides the library window when it is shown and active, else brings it to the
// front.
void toggleLibraryWindow();

// Puts the window where it was when the launcher last hid it or quit (its size, and its place when
// its corner still lies on a screen), and remembers it from now on. The first run keeps the window's own
// size. Stored in the user's settings under "window/geometry".
void rememberGeometry(QWindow* window);

} // namespace novra
