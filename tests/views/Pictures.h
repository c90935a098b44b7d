#pragma once
// Pictures of what the view tests render: PNG files under pictures/ in the build folder, made on
// every run so that anyone can look at every view.
#include <QString>

class QQuickItem;

namespace novra::test {

// Saves what the window shows of `item` as pictures/NAME.png; false when that fails.
bool savePicture(QQuickItem* item, const QString& name);

} // namespace novra::test
