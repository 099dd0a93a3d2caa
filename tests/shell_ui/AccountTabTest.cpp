#include "ShellFixture.h"

#include "account/AccountView.h"
#include "shell/SettingsWindow.h"

#include <QLabel>
#include <QPushButton>

namespace {

TEST_F(ShellFixture, SignedOutAccountTabOffersSyncAndReportsAServiceThatCannotBeReached) {
    // Nothing listens on the discard port: signing in meets a real refused connection.
    qputenv("ZORVI_API_URL", "http://127.0.0.1:9");
    completeOnboardingBefore();
    ASSERT_TRUE(launch());
    shell->openAccountSettings();
    auto* settings = windowNamed<SettingsWindow>("settingsWindow");
    ASSERT_NE(settings, nullptr);
    auto* view = settings->findChild<AccountView*>();
    ASSERT_NE(view, nullptr);

    EXPECT_EQ(view->findChild<QLabel*>("accountTitle")->text(), "Sync with 127.0.0.1");
    EXPECT_TRUE(view->findChild<QWidget*>("signedOut")->isVisible());
    EXPECT_FALSE(view->findChild<QWidget*>("signedIn")->isVisible());
    EXPECT_FALSE(view->findChild<QWidget*>("signingIn")->isVisible());
    EXPECT_FALSE(view->findChild<QLabel*>("sessionExpired")->isVisible());
    auto* error = view->findChild<QLabel*>("signInError");
    EXPECT_FALSE(error->isVisible());

    click(view->findChild<QPushButton*>("signIn"));
    EXPECT_TRUE(processEventsUntil([&] { return error->isVisible() && error->text().contains("127.0.0.1"); }, 10000))
        << error->text().toStdString();
    EXPECT_TRUE(view->findChild<QWidget*>("signedOut")->isVisible()) << "still signed out, ready to try again";
    EXPECT_FALSE(view->findChild<QWidget*>("signingIn")->isVisible());
}

} // namespace
