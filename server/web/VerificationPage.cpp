#include "VerificationPage.h"

namespace VerificationPage {

namespace {

const char* style = R"CSS(
:root { color-scheme: light dark; --accent: #6e7bf2; }
body { font: 16px/1.5 system-ui, sans-serif; margin: 0; display: grid; place-items: center; min-height: 100vh;
       background: Canvas; color: CanvasText; }
main { width: min(26rem, 92vw); padding: 2rem; border-radius: 12px; border: 1px solid color-mix(in srgb, CanvasText 15%, transparent); }
h1 { font-size: 1.35rem; margin: 0 0 1rem; }
label { display: block; margin: .75rem 0 .25rem; font-weight: 600; }
input[type=email], input[type=password], input[type=text] { width: 100%; box-sizing: border-box; padding: .55rem .6rem;
       font: inherit; border-radius: 6px; border: 1px solid color-mix(in srgb, CanvasText 30%, transparent); }
button { font: inherit; padding: .55rem 1.1rem; border-radius: 6px; border: 0; margin-top: 1.1rem; cursor: pointer; }
button.primary { background: var(--accent); color: white; }
button.secondary { background: color-mix(in srgb, CanvasText 12%, transparent); color: inherit; }
.code { font: 600 2rem/1.2 ui-monospace, monospace; letter-spacing: .12em; text-align: center; margin: 1rem 0; }
.error { color: #c62828; }
.muted { opacity: .75; font-size: .9rem; }
)CSS";

QString page(const QString& title, const QString& body) {
    return QStringLiteral("<!doctype html><html lang=\"en\"><head><meta charset=\"utf-8\">"
                          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                          "<title>%1 · Zorvi</title><style>%2</style></head><body><main>%3</main></body></html>")
        .arg(escape(title), QString::fromLatin1(style), body);
}

QString errorLine(const QString& error) {
    return error.isEmpty() ? QString()
                           : QStringLiteral("<p class=\"error\" role=\"alert\" id=\"error\">%1</p>").arg(escape(error));
}

QString hidden(const char* name, const QString& value) {
    return QStringLiteral("<input type=\"hidden\" name=\"%1\" value=\"%2\">").arg(QLatin1String(name), escape(value));
}

} // namespace

QString escape(const QString& text) {
    return text.toHtmlEscaped().replace('\'', QStringLiteral("&#39;"));
}

QString signIn(const QString& userCode, const QString& csrf, const QString& error) {
    return page(QStringLiteral("Sign in"),
                QStringLiteral("<h1>Sign in to approve Zorvi</h1>%1"
                               "<form method=\"post\" action=\"/device/sign-in\">%2%3"
                               "<label for=\"email\">Email</label>"
                               "<input type=\"email\" id=\"email\" name=\"email\" autocomplete=\"username\" required autofocus>"
                               "<label for=\"password\">Password</label>"
                               "<input type=\"password\" id=\"password\" name=\"password\" "
                               "autocomplete=\"current-password\" required>"
                               "<button class=\"primary\" id=\"sign-in\" type=\"submit\">Sign In</button></form>")
                    .arg(errorLine(error), hidden("csrf", csrf), hidden("user_code", userCode)));
}

QString enterCode(const QString& userName, const QString& csrf, const QString& error) {
    return page(QStringLiteral("Enter code"),
                QStringLiteral("<h1>Enter the code shown in Zorvi</h1>%1"
                               "<form method=\"get\" action=\"/device\">"
                               "<label for=\"user-code\">Code</label>"
                               "<input type=\"text\" id=\"user-code\" name=\"user_code\" placeholder=\"BCDF-GHJK\" "
                               "autocomplete=\"off\" required autofocus>"
                               "<button class=\"primary\" id=\"continue\" type=\"submit\">Continue</button></form>"
                               "<form method=\"post\" action=\"/device/sign-out\">%2"
                               "<p class=\"muted\">Signed in as %3. "
                               "<button class=\"secondary\" id=\"sign-out\" type=\"submit\">Sign Out</button></p></form>")
                    .arg(errorLine(error), hidden("csrf", csrf), escape(userName)));
}

QString approve(const QString& userName, const QString& email, const QString& userCode, const QString& csrf) {
    return page(QStringLiteral("Approve this computer"),
                QStringLiteral("<h1>Approve this computer?</h1>"
                               "<p>Zorvi on a computer is asking to sync with your workspaces as "
                               "<strong id=\"account\">%1</strong> (%2). Approve only if this code matches the one "
                               "Zorvi shows.</p><div class=\"code\" id=\"code\">%3</div>"
                               "<form method=\"post\" action=\"/device/decision\">%4%5"
                               "<button class=\"primary\" id=\"approve\" name=\"decision\" value=\"approve\" "
                               "type=\"submit\">Approve</button> "
                               "<button class=\"secondary\" id=\"deny\" name=\"decision\" value=\"deny\" "
                               "type=\"submit\">Deny</button></form>")
                    .arg(escape(userName), escape(email), escape(userCode), hidden("csrf", csrf),
                         hidden("user_code", userCode)));
}

QString outcome(const QString& title, const QString& message) {
    return page(title, QStringLiteral("<h1 id=\"outcome\">%1</h1><p>%2</p>").arg(escape(title), escape(message)));
}

} // namespace VerificationPage
