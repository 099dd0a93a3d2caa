#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>

// The board's own actions that Ctrl+Z and Edit ▸ Undo take back: deletes,
// status and group changes. Each step stays undoable for a while; when it
// lapses (or the app quits) its `finish` runs, which is where a delete
// finally removes the image files it kept. No widgets here.
class UndoHistory : public QObject {
    Q_OBJECT
public:
    // How long a step stays undoable, and how many are kept.
    static constexpr int defaultLifetimeMs = 10 * 60 * 1000;
    static constexpr std::size_t maximumSteps = 50;

    explicit UndoHistory(int lifetimeMs = defaultLifetimeMs, QObject* parent = nullptr);
    // Finishes every step still held: nothing kept for an Undo outlives the app.
    ~UndoHistory() override;

    // `title` names the step in the menu ("Delete Capture"), `notice` tells
    // what just happened ("Capture deleted."); `undo` answers whether it
    // could take the step back.
    void push(const QString& title, const QString& notice, std::function<bool()> undo,
              std::function<void()> finish = {});
    bool canUndo() const { return !steps_.empty(); }
    // The newest step's title and notice; empty when there is none.
    QString nextTitle() const;
    QString nextNotice() const;
    // Takes back the newest step; false when there was none or it failed
    // (the step is then gone, its finish run).
    bool undo();
    // Ends every step now, running their finishes.
    void finishAll();

signals:
    void changed();
    // A new step can be undone.
    void pushed();
    // A step was taken back.
    void undone(const QString& title);

private:
    struct Step {
        QString title;
        QString notice;
        std::function<bool()> undo;
        std::function<void()> finish;
        qint64 expiresAt;
    };
    void expire();
    void scheduleExpiry();
    static void finish(Step& step);

    int lifetimeMs_;
    std::deque<Step> steps_;
    QTimer expiry_;
    // While a step is being undone, the operations it calls add no steps.
    bool undoing_ = false;
};
