// The C++ helpers behind the game views: file-style sizes, the symbol table against the installed
// icon theme, the image lookup's misses and refusals, and the desktop's reduce-motion switch.
#include <cmath>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QThreadPool>

#include "launcher/desktop/MotionPreference.h"
#include "launcher/views/FileSize.h"
#include "launcher/views/GameVisual.h"
#include "launcher/views/LauncherResource.h"
#include "launcher/views/Symbols.h"
#include "support/PrivateBus.h"
#include "support/qt/QtAwait.h"

namespace novra {
namespace {

// The games of the built-in catalog.
QJsonArray catalogGames() {
    QFile catalog(QStringLiteral(NOVRA_SOURCE_DIR "/resources/catalog.json"));
    EXPECT_TRUE(catalog.open(QIODevice::ReadOnly));
    return QJsonDocument::fromJson(catalog.readAll()).object().value(u"games").toArray();
}

// Every game of the built-in catalog has a row of its own, in a colour no other game has; any other
// identifier has the neutral row.
TEST(GameVisual, OneRowPerCatalogGame) {
    QSet<QRgb> colors;
    const QJsonArray games = catalogGames();
    for (const QJsonValue& game : games) {
        GameVisual visual = GameVisual::forId(game.toObject().value(u"id").toString());
        EXPECT_NE(visual.caption, u"NOVRA") << game.toObject().value(u"id").toString().toStdString();
        colors.insert(visual.color.rgb());
    }
    EXPECT_EQ(colors.size(), games.size());
    EXPECT_EQ(GameVisual::forId(u"unknown").caption, u"NOVRA");
    EXPECT_EQ(GameVisual::forId(u"unknown").color.rgb(), qRgb(211, 214, 220));
    EXPECT_FALSE(colors.contains(GameVisual::forId(u"unknown").color.rgb()));
}

TEST(FileSize, RussianDecimalUnits) {
    const std::pair<qint64, const char*> rows[] = {
        {0, "0 байт"},          {1, "1 байт"},          {3, "3 байта"},         {12, "12 байт"},
        {22, "22 байта"},       {999, "999 байт"},      {1000, "1 кБ"},         {1500, "2 кБ"},
        {999'499, "999 кБ"},    {999'500, "1 МБ"},      {12'345'678, "12,3 МБ"}, {1'000'000'000, "1 ГБ"},
        {1'500'000'000, "1,5 ГБ"}, {1'234'567'890, "1,23 ГБ"}, {499'999'999'999, "500 ГБ"},
        {2'000'000'000'000, "2 ТБ"}, {-5, "0 байт"},
    };
    for (const auto& [bytes, text] : rows)
        EXPECT_EQ(fileSizeText(bytes), QString::fromUtf8(text)) << bytes;
}

// Progress as the download bar and the tray show it: cut to a whole percent, never rounded up.
TEST(Percent, CutToAWholeNumber) {
    const std::pair<double, const char*> rows[] = {{0, "0%"},      {0.999, "99%"}, {1.0, "100%"}, {0.0049, "0%"},
                                                   {0.57, "56%"},  {-0.2, "0%"},   {1.5, "100%"}, {std::nan(""), "0%"}};
    for (const auto& [fraction, text] : rows)
        EXPECT_EQ(percentText(fraction), QString::fromUtf8(text)) << fraction;
}

// Every symbol the views name and every symbol of the built-in catalog has an icon of the
// installed theme, drawn in the colour asked for.
TEST(Symbols, EveryUsedSymbolIsDrawn) {
    QStringList used{"gamecontroller.fill", "play.fill", "arrow.down", "checkmark.circle.fill", "arrow.up.right",
                     "square.stack.fill", "sparkles.tv", "person.2.fill", "gearshape", "arrow.clockwise",
                     "checkmark.circle", "square.stack", "arrow.down.circle.fill", "network", "wifi.slash",
                     "person.2.wave.2.fill", "plus", "xmark", "ellipsis", "bubble.left.and.bubble.right", "arrow.up",
                     "magnifyingglass", "exclamationmark.triangle.fill", "chevron.right", "chevron.down"};
    for (const QJsonValue& game : catalogGames())
        used.append(game.toObject().value(u"symbol").toString());
    // The friends panel's.
    used.append({"rectangle.portrait.and.arrow.right", "exclamationmark.circle", "bell.badge"});
    for (const QString& symbol : used) {
        EXPECT_TRUE(Symbols::names().contains(symbol)) << symbol.toStdString();
        QImage image = Symbols::render(symbol, 32, QColor(255, 0, 0));
        ASSERT_FALSE(image.isNull()) << symbol.toStdString();
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (QColor color = image.pixelColor(x, y); color.alpha() > 200) {
                    ++opaque;
                    EXPECT_EQ(color.red(), 255) << symbol.toStdString();
                    EXPECT_EQ(color.green(), 0) << symbol.toStdString();
                }
        EXPECT_GT(opaque, 20) << symbol.toStdString();
    }
    EXPECT_TRUE(Symbols::render(u"no.such.symbol", 32, Qt::red).isNull());
}

class ResourceLookup : public ::testing::Test {
protected:
    void SetUp() override { LauncherResource::setRoot(root.path()); }
    void TearDown() override { LauncherResource::setRoot(QString()); }
    void put(const QString& relative, const QByteArray& format = "PNG") {
        QString path = QDir(root.path()).filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::green);
        if (format.isEmpty()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("not an image");
        } else {
            ASSERT_TRUE(image.save(path, format));
        }
    }
    QTemporaryDir root;
};

// A miss is not remembered; an image found once comes from the cache afterwards, its file gone.
TEST_F(ResourceLookup, AMissIsNotRememberedAndAFindIs) {
    EXPECT_TRUE(LauncherResource::image("a", "covers").isNull());
    put("covers/a.png");
    EXPECT_FALSE(LauncherResource::image("a", "covers").isNull());
    ASSERT_TRUE(QFile::remove(QDir(root.path()).filePath("covers/a.png")));
    EXPECT_FALSE(LauncherResource::image("a", "covers").isNull());
}

TEST_F(ResourceLookup, RefusesUnsafeNamesAndUnreadableFiles) {
    put("covers/a/b.png");
    put("top.png");
    put("covers/bad.png", QByteArray());
    EXPECT_TRUE(LauncherResource::image("a/b", "covers").isNull());
    EXPECT_TRUE(LauncherResource::image("../top", "covers").isNull());
    EXPECT_TRUE(LauncherResource::image("top", "").isNull());
    EXPECT_TRUE(LauncherResource::image("top", "/").isNull());
    EXPECT_TRUE(LauncherResource::image("bad", "covers").isNull());
    LauncherResource::setRoot(QString());
    put("covers/a.png");
    EXPECT_TRUE(LauncherResource::image("a", "covers").isNull());
}

// Images read ahead land in the cache (their files are not read again); a read ahead of a root that
// was replaced meanwhile fills nothing, and unsafe names are not read at all.
TEST_F(ResourceLookup, ReadAheadFillsTheCacheOfItsRootOnly) {
    put("covers/a.png");
    put("icons/a.png");
    put("top.png");
    LauncherResource::preload({{"a", "covers"}, {"../top", "covers"}, {"missing", "covers"}});
    QThreadPool::globalInstance()->waitForDone();
    ASSERT_TRUE(QFile::remove(QDir(root.path()).filePath("covers/a.png")));
    EXPECT_FALSE(LauncherResource::image("a", "covers").isNull());
    EXPECT_TRUE(LauncherResource::image("../top", "covers").isNull());

    LauncherResource::preload({{"a", "icons"}});
    LauncherResource::setRoot(QString());
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_TRUE(LauncherResource::image("a", "icons").isNull());
}

// A header gives the size without pixels; a file that does not decode has none.
TEST_F(ResourceLookup, SizeComesFromTheHeader) {
    put("covers/a.png");
    put("covers/bad.png", QByteArray());
    EXPECT_EQ(LauncherResource::size("a", "covers"), QSize(8, 8));
    EXPECT_FALSE(LauncherResource::size("bad", "covers").isValid());
    EXPECT_FALSE(LauncherResource::size("missing", "covers").isValid());
}

// Scaled images keep their pixels after the full-size images are dropped; the full-size image is
// read from the file again, so once the file is gone only the scaled size remains.
TEST_F(ResourceLookup, ScaledImagesOutliveTheFullSizeOnes) {
    put("covers/a.png");
    EXPECT_EQ(LauncherResource::scaled("a", "covers", QSize(4, 2)).size(), QSize(4, 2));
    ASSERT_TRUE(QFile::remove(QDir(root.path()).filePath("covers/a.png")));
    LauncherResource::releaseFullImages();
    EXPECT_EQ(LauncherResource::scaled("a", "covers", QSize(4, 2)).size(), QSize(4, 2));
    EXPECT_TRUE(LauncherResource::scaled("a", "covers", QSize(2, 2)).isNull());
    EXPECT_TRUE(LauncherResource::image("a", "covers").isNull());
}

// A settings portal of our own on a private session bus answers GNOME's animation switch.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    bool animations = false;

public slots:
    QDBusVariant Read(const QString& group, const QString& key) {
        if (group != u"org.gnome.desktop.interface" || key != u"enable-animations")
            return QDBusVariant(QVariant::fromValue(QDBusVariant(QStringLiteral("other"))));
        return QDBusVariant(QVariant::fromValue(QDBusVariant(animations)));
    }
};

TEST(MotionPreference, FollowsTheDesktopsAnimationSwitch) {
    test::PrivateBus bus;
    const QString address = QString::fromStdString(bus.address());
    {
        QDBusConnection server = QDBusConnection::connectToBus(address, QStringLiteral("portal"));
        ASSERT_TRUE(server.isConnected());
        FakePortal portal;
        ASSERT_TRUE(server.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                          QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(server.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));

        MotionPreference preference;
        EXPECT_FALSE(preference.reduceMotion()); // motion until the desktop says otherwise
        EXPECT_TRUE(test::waitUntil([&] { return preference.reduceMotion(); }));

        auto changed = [&](const QString& key, bool value) {
            QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                             QStringLiteral("org.freedesktop.portal.Settings"),
                                                             QStringLiteral("SettingChanged"));
            signal << QStringLiteral("org.gnome.desktop.interface") << key << QVariant::fromValue(QDBusVariant(value));
            server.send(signal);
        };
        changed(QStringLiteral("gtk-theme"), true); // another key changes nothing
        changed(QStringLiteral("enable-animations"), true);
        EXPECT_TRUE(test::waitUntil([&] { return !preference.reduceMotion(); }));
        changed(QStringLiteral("enable-animations"), false);
        EXPECT_TRUE(test::waitUntil([&] { return preference.reduceMotion(); }));
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
    }
}

TEST(MotionPreference, MotionWithoutASessionBus) {
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    MotionPreference preference;
    QCoreApplication::processEvents();
    EXPECT_FALSE(preference.reduceMotion());
}

} // namespace
} // namespace novra

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "helpers_test.moc"
