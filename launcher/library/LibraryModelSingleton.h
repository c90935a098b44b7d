#pragma once
// The QML singleton LibraryModel: the shared model, owned by C++. It is registered through this
// wrapper because Qt 6.4 builds a singleton with its default constructor whenever the class has
// one, which would give the views a model of their own.
#include <QtQml/qqml.h>

#include "launcher/library/LibraryModel.h"

namespace novra {

struct LibraryModelSingleton {
    Q_GADGET
    QML_FOREIGN(LibraryModel)
    QML_NAMED_ELEMENT(LibraryModel)
    QML_SINGLETON

public:
    static LibraryModel* create(QQmlEngine*, QJSEngine*);
};

} // namespace novra
