#include "ServiceFixture.h"

#include <QRegularExpression>

namespace {

// The verification page's sign-in form, posted the way a browser does.
class SignInForm {
public:
    explicit SignInForm(const QString& baseUrl) : browser_(baseUrl.toStdString()) {}

    // The status of one sign-in attempt; the session cookie is kept on success.
    int attempt(const QString& email, const QString& password) {
        auto page = browser_.Get("/device");
        if (!page)
            return 0;
        const std::string cookie = page->get_header_value("Set-Cookie");
        const QRegularExpression csrf(QStringLiteral("name=\"csrf\" value=\"([^\"]*)\""));
        const httplib::Params form{{"email", email.toStdString()},
                                   {"password", password.toStdString()},
                                   {"csrf", csrf.match(QString::fromStdString(page->body)).captured(1).toStdString()}};
        auto reply = browser_.Post("/device/sign-in", httplib::Headers{{"Cookie", cookie.substr(0, cookie.find(';'))}},
                                   form);
        if (reply && reply->status == 303)
            session_ = reply->get_header_value("Set-Cookie").substr(0, reply->get_header_value("Set-Cookie").find(';'));
        return reply ? reply->status : 0;
    }

    // The status of the page for a typed user code, signed in.
    int typeCode(const QString& code) {
        auto reply = browser_.Get(("/device?user_code=" + code).toStdString(), httplib::Headers{{"Cookie", session_}});
        return reply ? reply->status : 0;
    }

private:
    httplib::Client browser_;
    std::string session_;
};

} // namespace

TEST_P(ServiceFixture, PasswordGuessesAreSlowedPerAccountThenPerAddress) {
    SignInForm browser(url());
    std::vector<int> statuses;
    for (int i = 0; i < 8; ++i)
        statuses.push_back(browser.attempt("ann@acme.test", QStringLiteral("guess %1").arg(i)));
    EXPECT_EQ(std::count(statuses.begin(), statuses.begin() + 5, 401), 5);
    EXPECT_EQ(std::count(statuses.begin() + 5, statuses.end(), 429), 3);
    EXPECT_EQ(browser.attempt("ann@acme.test", password), 429) << "the right password waits its turn too";

    // Another account from the same address is not held back by Ann's,
    // until the address itself has failed too often.
    EXPECT_EQ(browser.attempt("bob@acme.test", password), 303);
    int last = 0;
    for (int i = 0; i < 20 && last != 429; ++i)
        last = browser.attempt(QStringLiteral("nobody%1@acme.test").arg(i), "guess");
    EXPECT_EQ(last, 429);
    EXPECT_EQ(browser.attempt("cat@globex.test", password), 429);
}

TEST_P(ServiceFixture, GuessingUserCodesWhileSignedInIsSlowedDown) {
    SignInForm browser(url());
    ASSERT_EQ(browser.attempt("bob@acme.test", password), 303);
    std::vector<int> statuses;
    for (int i = 0; i < 12; ++i)
        statuses.push_back(browser.typeCode(QStringLiteral("BCDF-GH%1").arg(QChar('J' + i))));
    EXPECT_EQ(std::count(statuses.begin(), statuses.begin() + 10, 404), 10);
    EXPECT_EQ(statuses.back(), 429);
}
