#pragma once
// What the library window shows first, read ahead while the window is being built.
#include <vector>

#include <QString>

#include "core/Catalog.h"

namespace novra {

// Starts reading, on the thread pool, the images of the window's first screen: the icons of the
// first games of the library, their covers (and the screenshots that stand in for a missing cover),
// and the screenshots of the selected game (or of the first game when it is not in the library).
void preloadFirstScreen(const std::vector<Game>& games, const QString& selected);

} // namespace novra
