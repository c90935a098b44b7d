// The QML component tests (tst_*.qml beside this file), under the offscreen platform unless a
// platform is chosen, with the Basic style and the launcher's QML module. The friends panel's tests
// run over the application's social model (SocialTest.h).
#include <QCoroQml>
#include <QQmlEngine>
#include <QQuickStyle>
#include <QtQuickTest>

#include "SocialTest.h"
#include "ViewTest.h"

namespace {

class Setup : public QObject {
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine* engine) {
        engine->addImportPath(QStringLiteral("qrc:/"));
        QCoro::Qml::registerTypes();
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    qmlRegisterSingletonType<novra::test::ViewTest>("Novra.ViewTest", 1, 0, "ViewTest",
                                                    [](QQmlEngine*, QJSEngine*) { return new novra::test::ViewTest; });
    qmlRegisterSingletonType<novra::test::SocialTest>("Novra.ViewTest", 1, 0, "SocialTest",
                                                      [](QQmlEngine*, QJSEngine*) { return new novra::test::SocialTest; });
    Setup setup;
    return quick_test_main_with_setup(argc, argv, "novra_view_tests", NOVRA_VIEW_TESTS_DIR, &setup);
}

#include "main.moc"
