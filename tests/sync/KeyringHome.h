#pragma once

#include "SecretService.h"

#include "support/QtEventLoop.h"
#include "support/TempDir.h"

#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

// A private HOME with a real, unlocked Secret Service, and a way to prove that
// a secret never reached any file under that HOME.
class KeyringHome : public ::testing::Test {
protected:
    void SetUp() override {
        ensureQtApplication();
        for (const char* var : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
            qputenv(var, (home.path() + (qstrcmp(var, "HOME") == 0 ? "" : QString("/") + var)).toUtf8());
        qputenv("ZORVI_HOME", home.file("library").toUtf8());
        if (withKeyring)
            startSecretService();
    }

    // Every file under HOME whose bytes contain `secret`.
    QStringList filesContaining(const QString& secret) const {
        QStringList found;
        QDirIterator it(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (f.open(QIODevice::ReadOnly) && f.readAll().contains(secret.toUtf8()))
                found << f.fileName();
        }
        return found;
    }

    TempDir home;
    // Off for a desktop whose keyring cannot take a secret.
    bool withKeyring = true;
};
