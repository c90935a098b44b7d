// The QML component tests (tst_*.qml beside this file), under the offscreen platform unless a
// platform is chosen, with the Basic style and the launcher's QML module.
#include <QQmlEngine>
#include <QQuickStyle>
#include <QtQuickTest>

#include "ViewTest.h"

namespace {

class Setup : public QObject {
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine* engine) { engine->addImportPath(QStringLiteral("qrc:/")); }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    qmlRegisterSingletonType<novra::test::ViewTest>("Novra.ViewTest", 1, 0, "ViewTest",
                                                    [](QQmlEngine*, QJSEngine*) { return new novra::test::ViewTest; });
    Setup setup;
    return quick_test_main_with_setup(argc, argv, "novra_view_tests", NOVRA_VIEW_TESTS_DIR, &setup);
}

#include "main.moc"
