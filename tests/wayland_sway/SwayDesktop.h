#pragma once

#include "support/TestImages.h"
#include "support/WaylandDesktop.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

// The sway session this test program runs in (support/with-sway.sh): keys
// and drags through a virtual keyboard and pointer that live as long as the
// session, windows read from sway's own tree.
class SwayDesktop : public WaylandDesktop {
public:
    SwayDesktop() {
        input_.setProgram(QStringLiteral(ZORVI_VIRTUAL_INPUT));
        input_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        input_.start();
        inputReady_ = input_.waitForReadyRead(10000) && input_.readLine().trimmed() == "ready";
    }

    ~SwayDesktop() override {
        input_.closeWriteChannel();
        if (!input_.waitForFinished(3000))
            input_.kill();
    }

    bool inputReady() const override { return inputReady_; }

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
    bool showBackground(const QString& picturePath, const QImage& picture) const {
        return configureOutput(QStringLiteral("bg %1 center").arg(picturePath)) && waitForBackground(picture);
    }

    // grim's picture of the outputs.
    QImage screenshot() const override { return outputScreenshot({}); }

    // grim's picture of one output alone, or of all when none is named.
    static QImage outputScreenshot(const QString& outputName) {
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

    std::optional<Window> window(const QString& title) const override {
        return find(tree(), title);
    }

    QString windowTitles() const override {
        QStringList titles;
        collectTitles(tree(), titles);
        return titles.join(QStringLiteral(", "));
    }

    bool drag(QPoint from, QPoint to) override {
        const QRect layout = outputRect();
        return send(QStringLiteral("drag %1 %2 %3 %4 %5 %6")
                        .arg(from.x()).arg(from.y()).arg(to.x()).arg(to.y())
                        .arg(layout.width()).arg(layout.height()));
    }

    bool type(const QString& text) override { return send(QStringLiteral("type ") + text); }
    bool key(const QString& keysym, const QStringList& held = {}) override {
        return send(QStringList{QStringLiteral("key"), keysym, held.join(u' ')}.join(u' ').trimmed());
    }

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
