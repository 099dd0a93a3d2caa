#pragma once

#include "support/DesktopDriver.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <glib.h>

#include <memory>

// GNOME's real settings store for a test process: dconf-service on the
// suite's private session bus, keeping its database in a folder of the
// test's own, with the machine's installed schemas; read and written from
// outside with the `gsettings` command, as a person's desktop would.
//
// GLib reads the configuration folder once per process, so every test of
// the process shares one store; each test sets the keys it looks at first.
class DconfSession {
public:
    static constexpr const char* listSchema = "org.gnome.settings-daemon.plugins.media-keys";
    static constexpr const char* entrySchema = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
    static constexpr const char* folder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

    // The process's store, its service started (again, if a test stopped it).
    static DconfSession& shared() {
        static DconfSession* session = new DconfSession;
        session->start();
        return *session;
    }

    QString configHome() const { return dir_.file(QStringLiteral("config")); }

    // Runs `gsettings` on the store; its answer, or a failure with what it said.
    ::testing::AssertionResult gsettings(const QStringList& arguments, QString* answer = nullptr) const {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral("gsettings"), arguments);
        if (!process.waitForStarted())
            return ::testing::AssertionFailure() << "gsettings did not start";
        processEventsUntil([&] { return process.state() == QProcess::NotRunning; }, 20000);
        if (process.state() != QProcess::NotRunning || process.exitCode() != 0)
            return ::testing::AssertionFailure()
                   << "gsettings " << arguments.join(' ').toStdString() << ": "
                   << process.readAllStandardError().toStdString();
        if (answer)
            *answer = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        return ::testing::AssertionSuccess();
    }

    QString get(const QString& schema, const QString& key) const {
        QString answer;
        EXPECT_TRUE(gsettings({"get", schema, key}, &answer));
        return answer;
    }
    // One custom shortcut's key, in GVariant text ("'<Alt><Shift>2'").
    QString entryKey(const QString& path, const QString& key) const {
        return get(QStringLiteral("%1:%2").arg(QLatin1String(entrySchema), path), key);
    }
    QString list() const { return get(QLatin1String(listSchema), QStringLiteral("custom-keybindings")); }
    ::testing::AssertionResult setList(const QStringList& paths) const {
        QStringList quoted;
        for (const QString& path : paths)
            quoted << "'" + path + "'";
        return gsettings({"set", listSchema, "custom-keybindings", "[" + quoted.join(", ") + "]"});
    }
    ::testing::AssertionResult setEntryKey(const QString& path, const QString& key, const QString& value) const {
        return gsettings({"set", QStringLiteral("%1:%2").arg(QLatin1String(entrySchema), path), key,
                          "'" + value + "'"});
    }
    ::testing::AssertionResult resetEntry(const QString& path) const {
        for (const char* key : {"name", "command", "binding"})
            if (auto result = gsettings({"reset", QStringLiteral("%1:%2").arg(QLatin1String(entrySchema), path), key});
                !result)
                return result;
        return ::testing::AssertionSuccess();
    }

    // The list's text as gsettings prints it, for comparing with list().
    static QString listText(const QStringList& paths) {
        if (paths.isEmpty())
            return QStringLiteral("@as []");
        QStringList quoted;
        for (const QString& path : paths)
            quoted << "'" + path + "'";
        return "[" + quoted.join(", ") + "]";
    }

    // Stops the service: writes then fail as they do where dconf can't store them.
    void stop() {
        if (service_) {
            service_->terminate();
            service_->waitForFinished();
            service_.reset();
        }
        EXPECT_TRUE(processEventsUntil([] { return !nameOwned(); }, 10000)) << "dconf-service did not go";
    }

private:
    DconfSession() {
        // The process's GLib must take its configuration folder from here,
        // before anything else asks it; the app's own settings follow each
        // test's XDG_CONFIG_HOME as before. dconf tells its readers of a
        // write through a file in the runtime folder, which the service and
        // every reader must share.
        const QByteArray before = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
        const QString used = QString::fromUtf8(g_get_user_config_dir());
        qputenv("XDG_CONFIG_HOME", before);
        QDir().mkpath(runtimeDir());
        QFile::setPermissions(runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir()));
        const QString runtime = QString::fromUtf8(g_get_user_runtime_dir());
        if (used != configHome() || runtime != runtimeDir())
            ADD_FAILURE() << "GLib read its folders before the test set them: " << used.toStdString() << ", "
                          << runtime.toStdString();
    }

    QString runtimeDir() const { return dir_.file(QStringLiteral("run")); }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
        return env;
    }

    static bool nameOwned() {
        return DesktopDriver::run(QStringLiteral("dbus-send"),
                                  {"--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus.NameHasOwner", "string:ca.desrt.dconf"})
            .endsWith(QLatin1String("boolean true"));
    }

    void start() {
        if (service_)
            return;
        service_ = std::make_unique<QProcess>();
        service_->setProcessEnvironment(environment());
        service_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        service_->start(QStringLiteral("/usr/libexec/dconf-service"), {});
        ASSERT_TRUE(service_->waitForStarted()) << "dconf-service did not start (is dconf-service installed?)";
        ASSERT_TRUE(processEventsUntil(nameOwned, 10000)) << "dconf-service never took its bus name";
    }

    TempDir dir_;
    std::unique_ptr<QProcess> service_;
};
