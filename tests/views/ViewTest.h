#pragma once
// What the QML component tests need beyond the components: the built-in catalog's games, a
// resources folder of the test's own (or the built bundle's), and pictures of what they render.
#include <QObject>
#include <QQuickItem>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

namespace novra::test {

class ViewTest : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The game of the built-in catalog with this identifier, as the views receive games.
    Q_INVOKABLE QVariantMap game(const QString& id) const;

    // Images from the launcher bundle that the build made (the real artwork).
    Q_INVOKABLE void useBundleResources();
    // A fresh resources folder holding one solid 160 × 90 PNG per entry ("covers/a": "#ff0000").
    Q_INVOKABLE void useOwnResources(const QVariantMap& images);

    // Saves what the window shows of `item` as pictures/NAME.png in the build folder.
    Q_INVOKABLE bool picture(QQuickItem* item, const QString& name) const;

private:
    std::unique_ptr<QTemporaryDir> own_;
};

} // namespace novra::test
