#pragma once
// The launcher's symbols: every symbol name the views and the catalog use, drawn with the
// desktop's freedesktop symbolic icons and recoloured by the caller.
#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>

namespace novra::Symbols {

// The freedesktop icon name for a symbol name; empty for a name the table does not know.
QString iconName(QStringView symbol);
// Every symbol name of the table.
QStringList names();

// The symbol at `pixels` × `pixels`, every visible pixel in `color` (the icon's own transparency
// kept); a null image when the symbol is unknown or the icon theme lacks its icon.
QImage render(QStringView symbol, int pixels, const QColor& color);

} // namespace novra::Symbols
