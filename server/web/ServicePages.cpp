#include "ServicePages.h"

#include "VerificationPage.h"

namespace {

void servePage(httplib::Response& res, const QString& title, const QString& message) {
    res.set_header("Cache-Control", "no-store");
    res.set_content(VerificationPage::outcome(title, message).toStdString(), "text/html; charset=utf-8");
}

} // namespace

void registerServicePages(httplib::Server& server) {
    server.Get("/sign-up", [](const httplib::Request&, httplib::Response& res) {
        servePage(res, QStringLiteral("Accounts are made by this service's administrator"),
                  QStringLiteral("This Zorvi service has no sign-up of its own. Ask whoever runs it for an "
                                 "account (they add one with \"zorvi-server user add\"), then sign in from "
                                 "Zorvi's account settings."));
    });
    server.Get("/app", [](const httplib::Request&, httplib::Response& res) {
        servePage(res, QStringLiteral("Your workspace is on your board"),
                  QStringLiteral("This Zorvi service keeps your team's captures in step but has no board on the "
                                 "web. Open Zorvi's board on your computer to see the workspace."));
    });
}
