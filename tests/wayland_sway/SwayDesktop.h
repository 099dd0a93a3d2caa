#pragma once

#include "support/QtEventLoop.h"
#include "support/TestImages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// The sway session this test program runs in (support/with-sway.sh), driven
// the way a person would: keys and drags through a virtual keyboard and
// pointer that live as long as the session, windows read from sway's own tree.
class SwayDesktop {
public:
    struct Window {
        QString title;
        QRect rect;
        bool focused = false;
    };

    SwayDesktop() {
        input_.setProgram(QStringLiteral(ZORVI_VIRTUAL_INPUT));
        input_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        input_.start();
        inputReady_ = input_.waitForReadyRead(10000) && input_.readLine().trimmed() == "ready";
    }

    ~SwayDesktop() {
        input_.closeWriteChannel();
        if (!input_.waitForFinished(3000))
            input_.kill();
    }

    bool inputReady() const { return inputReady_; }

    // Runs a program to its end; its standard output. Empty on failure.
    static QByteArray run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        if (!process.waitForFinished(15000) || process.exitCode() != 0)
            return {};
        return process.readAllStandardOutput();
    }

    static bool swaymsg(const QString& command) {
        return !run(QStringLiteral("swaymsg"), {command}).isEmpty();
    }

    // Sends a command about the output ("scale 2"); `output *` would apply only to outputs yet to come.
    static bool configureOutput(const QString& command) {
        return swaymsg(QStringLiteral("output %1 %2").arg(output().value("name").toString(), command));
    }

    // The output's logical size (what the pointer moves over) and its scale.
    static QRect outputRect() { return rectOf(output().value("rect").toObject()); }
    static double outputScale() { return output().value("scale").toDouble(); }

    // Shows a picture centred on the output's background, pixel for pixel
    // whatever the scale, and waits until it is on screen.
    static bool showBackground(const QString& picturePath, const QImage& picture) {
        if (!configureOutput(QStringLiteral("bg %1 center").arg(picturePath)))
            return false;
        return processEventsUntil([&] {
            const QImage shown = screenshot();
            return !shown.isNull() && shown.copy(QRect(backgroundOrigin(shown.size(), picture.size()),
                                                       picture.size())) == picture;
        }, 10000);
    }

    // Where a centred background picture's top-left pixel lands on a screen of this many pixels.
    static QPoint backgroundOrigin(QSize screenPixels, QSize picture) {
        return {(screenPixels.width() - picture.width()) / 2, (screenPixels.height() - picture.height()) / 2};
    }

    // What the outputs show now, at their full pixel resolution (grim);
    // one output's alone when named.
    static QImage screenshot(const QString& outputName = {}) {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("screen.png"));
        QStringList arguments;
        if (!outputName.isEmpty())
            arguments << QStringLiteral("-o") << outputName;
        run(QStringLiteral("grim"), arguments << file);
        return TestImages::pixelsOf(QImage(file));
    }

    // Every output as `swaymsg -t get_outputs` lists it.
    static QJsonArray outputs() { return QJsonDocument::fromJson(run("swaymsg", {"-t", "get_outputs"})).array(); }

    static bool waitForFocusedOutput(const QString& name, int timeoutMs = 15000) {
        return processEventsUntil([&] {
            for (const QJsonValue output : outputs())
                if (output.toObject().value("name").toString() == name)
                    return output.toObject().value("focused").toBool();
            return false;
        }, timeoutMs);
    }

    static std::optional<Window> window(const QString& title) {
        return find(tree(), title);
    }

    // Every window's title, for failure messages.
    static QString windowTitles() {
        QStringList titles;
        collectTitles(tree(), titles);
        return titles.join(QStringLiteral(", "));
    }

    static bool waitForWindow(const QString& title, int timeoutMs = 15000) {
        return processEventsUntil([&] { return window(title).has_value(); }, timeoutMs);
    }

    static bool waitForFocus(const QString& title, int timeoutMs = 15000) {
        return processEventsUntil([&] {
            const std::optional<Window> found = window(title);
            return found && found->focused;
        }, timeoutMs);
    }

    static bool waitUntilGone(const QString& title, int timeoutMs = 15000) {
        return processEventsUntil([&] { return !window(title).has_value(); }, timeoutMs);
    }

    // Presses the left button at `from`, moves to `to`, releases (logical pixels).
    bool drag(QPoint from, QPoint to) {
        const QRect layout = outputRect();
        return send(QStringLiteral("drag %1 %2 %3 %4 %5 %6")
                        .arg(from.x()).arg(from.y()).arg(to.x()).arg(to.y())
                        .arg(layout.width()).arg(layout.height()));
    }

    // Plain ASCII, as a US keyboard types it.
    bool type(const QString& text) { return send(QStringLiteral("type ") + text); }
    // One key by its keysym name ("space", "Escape", "2"), with modifiers
    // held ("ctrl", "alt", "shift", "super").
    bool key(const QString& keysym, const QStringList& held = {}) {
        return send(QStringList{QStringLiteral("key"), keysym, held.join(u' ')}.join(u' ').trimmed());
    }
    bool ctrlKey(const QString& keysym) { return key(keysym, {QStringLiteral("ctrl")}); }

private:
    static QRect rectOf(const QJsonObject& rect) {
        return {rect.value("x").toInt(), rect.value("y").toInt(), rect.value("width").toInt(),
                rect.value("height").toInt()};
    }

    static QJsonObject output() {
        const QJsonArray all = outputs();
        return all.isEmpty() ? QJsonObject() : all.first().toObject();
    }

    static QJsonObject tree() { return QJsonDocument::fromJson(run("swaymsg", {"-t", "get_tree"})).object(); }

    static std::optional<Window> find(const QJsonObject& node, const QString& title) {
        const QString type = node.value("type").toString();
        if ((type == "con" || type == "floating_con") && node.value("name").toString() == title)
            return Window{title, rectOf(node.value("rect").toObject()), node.value("focused").toBool()};
        for (const char* children : {"nodes", "floating_nodes"})
            for (const QJsonValue child : node.value(children).toArray())
                if (std::optional<Window> found = find(child.toObject(), title))
                    return found;
        return std::nullopt;
    }

    static void collectTitles(const QJsonObject& node, QStringList& titles) {
        const QString type = node.value("type").toString();
        if (type == "con" || type == "floating_con")
            titles << "\"" + node.value("name").toString() + "\"";
        for (const char* children : {"nodes", "floating_nodes"})
            for (const QJsonValue child : node.value(children).toArray())
                collectTitles(child.toObject(), titles);
    }

    bool send(const QString& action) {
        input_.write(action.toUtf8() + '\n');
        if (!input_.waitForBytesWritten(5000))
            return false;
        while (!input_.canReadLine())
            if (!input_.waitForReadyRead(10000))
                return false;
        return input_.readLine().trimmed() == "ok";
    }

    QProcess input_;
    bool inputReady_ = false;
};
