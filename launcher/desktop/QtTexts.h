#pragma once
// Qt's own texts (the folder chooser's buttons, size units) in the launcher's language.

namespace novra::desktop {

// Installs Qt's Russian translation from Qt's translations folder for the rest of the process;
// without it (the translations are not installed) Qt's texts stay English. Call once, after the
// application object exists.
void useRussianQtTexts();

} // namespace novra::desktop
