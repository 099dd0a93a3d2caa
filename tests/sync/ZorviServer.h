#pragma once

#include <httplib.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <stdexcept>

#ifndef ZORVI_SERVER_EXECUTABLE
#define ZORVI_SERVER_EXECUTABLE ""
#endif

// A real zorvi-server on a loopback port with its own data folder, set up
// through its administration commands, and a person at its approval page.
class ZorviServer {
public:
    static bool available() { return QFile::exists(ZORVI_SERVER_EXECUTABLE); }

    explicit ZorviServer(QStringList options = {"--device-interval", "1"}) : options_(std::move(options)) {}
    ~ZorviServer() { stop(); }

    // What the command printed.
    QString admin(const QStringList& words, const QByteArray& input = {}) {
        QProcess p;
        p.setProcessEnvironment(environment_);
        p.start(ZORVI_SERVER_EXECUTABLE, QStringList{"--data", data_.path()} + storage_ + words);
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(30'000) || p.exitCode() != 0)
            throw std::runtime_error("zorvi-server " + words.join(' ').toStdString() + ": " +
                                     p.readAllStandardError().toStdString());
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    void addUser(const QString& email, const QString& name, const QString& password) {
        admin({"user", "add", email, "--name", name, "--password-stdin"}, password.toUtf8() + "\n");
    }
    void addWorkspace(const QString& slug, const QString& name) { admin({"workspace", "add", slug, "--name", name}); }
    void addMember(const QString& slug, const QString& email, const QString& role = "member") {
        admin({"member", "add", slug, email, "--role", role});
    }

    // Starts serving; on the same port as before when restarted.
    void start() {
        process_ = std::make_unique<QProcess>();
        process_->setProcessChannelMode(QProcess::SeparateChannels);
        process_->setProcessEnvironment(environment_);
        process_->start(ZORVI_SERVER_EXECUTABLE, QStringList{"--data", data_.path(), "--listen",
                                                             QString("127.0.0.1:%1").arg(port_)} + storage_ + options_);
        static const QRegularExpression listening("listening on (https?)://[^:]+:(\\d+)");
        QByteArray out;
        while (process_->waitForReadyRead(20'000)) {
            out += process_->readAllStandardOutput();
            const auto match = listening.match(QString::fromUtf8(out));
            if (match.hasMatch()) {
                scheme_ = match.captured(1);
                port_ = match.captured(2).toInt();
                return;
            }
        }
        throw std::runtime_error("zorvi-server did not start: " + out.toStdString() +
                                 process_->readAllStandardError().toStdString());
    }
    void stop() {
        if (!process_)
            return;
        process_->terminate();
        if (!process_->waitForFinished(10'000))
            process_->kill();
        process_->waitForFinished();
        process_.reset();
    }

    int port() const { return port_; }
    QUrl url() const { return QUrl(QString("%1://127.0.0.1:%2").arg(scheme_).arg(port_)); }
    // For the next start.
    void setOptions(QStringList options) { options_ = std::move(options); }
    // Where every later command keeps rows and files (--database, --blobs), and the environment they need.
    void setStorage(QStringList arguments, QProcessEnvironment environment) {
        storage_ = std::move(arguments);
        environment_ = std::move(environment);
    }
    QString dataPath() const { return data_.path(); }

    // Signs in on the approval page and approves (or denies) a user code, as
    // a person in a browser would: form posts with the page's CSRF tokens.
    void decide(const QString& userCode, const QString& email, const QString& password, bool approve) {
        httplib::Client web("127.0.0.1", port_);
        const std::string code = userCode.toStdString();
        auto page = web.Get(("/device?user_code=" + code).c_str());
        expectPage(page, "sign-in page");
        std::string cookies = cookiesOf(*page);
        httplib::Params signIn{{"email", email.toStdString()},
                               {"password", password.toStdString()},
                               {"csrf", hiddenField(page->body, "csrf")},
                               {"user_code", code}};
        auto signedIn = web.Post("/device/sign-in", {{"Cookie", cookies}}, signIn);
        if (!signedIn || signedIn->status >= 400)
            throw std::runtime_error("sign-in on the approval page failed");
        cookies += "; " + cookiesOf(*signedIn);
        auto approval = web.Get(("/device?user_code=" + code).c_str(), {{"Cookie", cookies}});
        expectPage(approval, "approval page");
        httplib::Params decision{{"csrf", hiddenField(approval->body, "csrf")},
                                 {"user_code", code},
                                 {"decision", approve ? "approve" : "deny"}};
        auto decided = web.Post("/device/decision", {{"Cookie", cookies}}, decision);
        if (!decided || decided->status >= 400)
            throw std::runtime_error("the decision was not accepted");
    }

private:
    static void expectPage(const httplib::Result& r, const char* what) {
        if (!r || r->status != 200)
            throw std::runtime_error(std::string("no ") + what);
    }
    static std::string cookiesOf(const httplib::Response& r) {
        std::string all;
        auto range = r.headers.equal_range("Set-Cookie");
        for (auto it = range.first; it != range.second; ++it) {
            const std::string pair = it->second.substr(0, it->second.find(';'));
            all += (all.empty() ? "" : "; ") + pair;
        }
        return all;
    }
    static std::string hiddenField(const std::string& html, const std::string& name) {
        const QRegularExpression re("name=\"" + QRegularExpression::escape(QString::fromStdString(name)) +
                                    "\" value=\"([^\"]*)\"");
        const auto match = re.match(QString::fromStdString(html));
        if (!match.hasMatch())
            throw std::runtime_error("no " + name + " field on the page");
        return match.captured(1).toStdString();
    }

    QStringList options_;
    QStringList storage_;
    QProcessEnvironment environment_ = QProcessEnvironment::systemEnvironment();
    QTemporaryDir data_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
    QString scheme_ = QStringLiteral("http");
};
