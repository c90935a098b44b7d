#pragma once
// The desktop's icon theme for the launcher's symbols.

namespace novra::desktop {

// Makes QIcon::fromTheme find the freedesktop symbolic icons: adds the "icons" folder of every XDG
// data folder to the theme search paths and selects the "Adwaita" theme. Without it, a bare X
// server or the offscreen platform searches only ":/icons" and every theme icon is null. Safe to
// call more than once and from any code that is about to draw a symbol.
void useSymbolTheme();

} // namespace novra::desktop
