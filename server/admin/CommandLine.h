#pragma once

#include "http/ApiServer.h"

#include <QStringList>

#include <optional>

// What `zorvi-server` was asked to do.
struct CommandLine {
    QString dataDirectory;
    // Serving:
    QString host = QStringLiteral("127.0.0.1");
    int port = 8787;
    bool insecureHttp = false;
    std::optional<ApiServer::Tls> tls;
    ServiceConfig config;
    StorageOptions storage;
    // `migrate-to`: where the storage options after it point.
    StorageOptions migrationTarget;
    // Administration: the words after the options ("user add …"); empty to serve.
    QStringList adminWords;
    bool help = false;

    // Parses argv (without the program name); throws std::invalid_argument
    // with a message for the user.
    static CommandLine parse(const QStringList& arguments);
    // Plain HTTP is only for loopback, unless asked for explicitly.
    bool listensSafely() const;

    static QString usage();
};
