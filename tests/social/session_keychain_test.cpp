// The stored session against a real Secret Service (a private gnome-keyring), one that never
// answers, and none at all.
#include <chrono>
#include <memory>

#include <QEventLoop>
#include <gtest/gtest.h>
#include <qt6keychain/keychain.h>

#include "core/LauncherError.h"
#include "launcher/social/SessionKeychain.h"
#include "support/TestSupport.h"
#include "support/social/SocialTestSupport.h"

using namespace novra;
using namespace novra::test;
using namespace std::chrono_literals;
namespace keychain = novra::SessionKeychain;

namespace {

const QString kTestOrigin = QStringLiteral("http://127.0.0.1:8080");
const QString kStudioOrigin = QStringLiteral("https://novra.example");

int items(const QString& origin) { return keyringItems(keychain::kService, origin.toStdString()); }

// Runs a job of the keychain library, through which earlier builds kept the session.
template <class Job> std::unique_ptr<Job> viaLibrary(std::unique_ptr<Job> job) {
    QEventLoop loop;
    QObject::connect(job.get(), &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job->setAutoDelete(false);
    job->setKey(kTestOrigin);
    job->start();
    loop.exec();
    return job;
}

template <class Body> std::chrono::milliseconds timed(Body body) {
    auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

class SessionKeychainTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!useSecretStore(SecretStore::Keyring)) GTEST_SKIP() << "needs a process of its own (ctest runs it so)";
    }
};

} // namespace

TEST_F(SessionKeychainTest, StoresUpdatesAndDeletesOneItemPerOrigin) {
    EXPECT_EQ(await(keychain::read(kTestOrigin)), std::nullopt);

    await(keychain::write("first", kTestOrigin));
    EXPECT_EQ(await(keychain::read(kTestOrigin)), "first");
    await(keychain::write("second", kTestOrigin));
    EXPECT_EQ(await(keychain::read(kTestOrigin)), "second");
    EXPECT_EQ(items(kTestOrigin), 1) << "an update must not add a second item";

    // Another origin is another item; neither disturbs the other.
    await(keychain::write("studio", kStudioOrigin));
    EXPECT_EQ(await(keychain::read(kStudioOrigin)), "studio");
    EXPECT_EQ(await(keychain::read(kTestOrigin)), "second");
    EXPECT_EQ(items(kStudioOrigin), 1);

    // Writing none deletes; deleting what is not there is silent.
    await(keychain::write(std::nullopt, kTestOrigin));
    EXPECT_EQ(await(keychain::read(kTestOrigin)), std::nullopt);
    EXPECT_EQ(items(kTestOrigin), 0);
    EXPECT_NO_THROW(await(keychain::remove(kTestOrigin)));
    EXPECT_EQ(await(keychain::read(kStudioOrigin)), "studio");

    await(keychain::remove(kStudioOrigin));
    EXPECT_EQ(await(keychain::read(kStudioOrigin)), std::nullopt);
}

TEST_F(SessionKeychainTest, KeepsTheValueByteForByte) {
    const std::string value = "сеанс ✓ a=b; c";
    await(keychain::write(value, QStringLiteral("http://localhost:1")));
    EXPECT_EQ(await(keychain::read(QStringLiteral("http://localhost:1"))), value);
    // The origin string is the account exactly: another spelling of the same place is another item.
    EXPECT_EQ(await(keychain::read(QStringLiteral("http://localhost:1/"))), std::nullopt);
}

TEST_F(SessionKeychainTest, TakesOverTheItemOfEarlierBuilds) {
    auto earlier = std::make_unique<QKeychain::WritePasswordJob>(QString::fromLatin1(keychain::kService));
    earlier->setTextData(QStringLiteral("earlier"));
    ASSERT_EQ(viaLibrary(std::move(earlier))->error(), QKeychain::NoError);
    EXPECT_EQ(await(keychain::read(kTestOrigin)), "earlier");

    await(keychain::write("later", kTestOrigin));
    EXPECT_EQ(items(kTestOrigin), 1) << "the earlier item is replaced, not joined by a second";
    auto check =
        viaLibrary(std::make_unique<QKeychain::ReadPasswordJob>(QString::fromLatin1(keychain::kService)));
    EXPECT_EQ(check->textData(), QStringLiteral("later"));

    await(keychain::remove(kTestOrigin));
    EXPECT_EQ(items(kTestOrigin), 0);
}

TEST(SessionKeychainLocked, ReadsNoneWithoutAskingAnyone) {
    if (!useSecretStore(SecretStore::LockedKeyring)) GTEST_SKIP() << "needs a process of its own (ctest runs it so)";
    await(keychain::write("value", kTestOrigin));
    lockKeyring();
    // An unlock would need the user; the read answers none at once instead of waiting for a prompt.
    std::optional<std::string> value;
    auto took = timed([&] { value = await(keychain::read(kTestOrigin, 10s)); });
    EXPECT_EQ(value, std::nullopt);
    EXPECT_LT(took, 5s);
}

TEST(SessionKeychainLocked, AnUnlockNobodyAnswersCostsThatWriteAlone) {
    if (!useSecretStore(SecretStore::LockedKeyring))
        GTEST_SKIP() << "needs a process of its own (ctest runs it so)";
    await(keychain::write("value", kTestOrigin));
    lockKeyring();
    // Storing needs the keyring unlocked; the prompt goes unanswered, so the write fails in its time.
    EXPECT_EQ(messageOf([&] { await(keychain::write("newer", kTestOrigin, 1s), 10s); }),
              "Не удалось сохранить сеанс в Связке ключей macOS (-1)");
    // As soon as the keyring is usable again, so is every operation.
    unlockKeyring();
    EXPECT_EQ(await(keychain::read(kTestOrigin, 3s)), "value");
    EXPECT_NO_THROW(await(keychain::write("newer", kTestOrigin, 3s)));
    EXPECT_EQ(await(keychain::read(kTestOrigin, 3s)), "newer");
    EXPECT_EQ(items(kTestOrigin), 1);
}

TEST(SessionKeychainSilent, StoreThatNeverAnswersTimesOut) {
    if (!useSecretStore(SecretStore::Silent)) GTEST_SKIP() << "needs a process of its own (ctest runs it so)";
    EXPECT_EQ(await(keychain::read(kTestOrigin, 300ms), 10s), std::nullopt);
    EXPECT_EQ(messageOf([&] { await(keychain::write("value", kTestOrigin, 300ms), 10s); }),
              "Не удалось сохранить сеанс в Связке ключей macOS (-1)");
    EXPECT_NO_THROW(await(keychain::remove(kTestOrigin, 300ms), 10s));
}

TEST(SessionKeychainWithoutService, ReadsNonePromptlyAndWriteFailsWithStatus) {
    if (!useSecretStore(SecretStore::NoSession)) GTEST_SKIP() << "needs a process of its own (ctest runs it so)";
    std::optional<std::string> value = "unset";
    auto took = timed([&] { value = await(keychain::read(kTestOrigin, 10s)); });
    EXPECT_EQ(value, std::nullopt);
    EXPECT_LT(took, 5s);
    EXPECT_EQ(messageOf([&] { await(keychain::write("value", kTestOrigin, 10s)); }),
              "Не удалось сохранить сеанс в Связке ключей macOS (7)");
    EXPECT_NO_THROW(await(keychain::write(std::nullopt, kTestOrigin, 10s)));
}
