#pragma once

#include "LibrarySnapshot.h"

#include <QObject>
#include <QThreadPool>

#include <memory>

// Reads board snapshots on a thread of its own through a connection of its
// own, so a change another writer made (the sync engine, an agent) is read
// without holding up the UI thread. One read at a time.
class LibraryReader : public QObject {
    Q_OBJECT
public:
    explicit LibraryReader(QString databasePath, QObject* parent = nullptr);
    // Waits for a read in flight; its answer is dropped.
    ~LibraryReader() override;

    bool busy() const { return busy_; }
    // Reads a snapshot unless the library's stamp is still `shownStamp`,
    // then answers with `finished` on this object's thread.
    void read(const QString& shownStamp);

signals:
    // `snapshot` is null when nothing moved or the read failed (then `failure` says why).
    void finished(std::shared_ptr<LibrarySnapshot> snapshot, const QString& failure);

private:
    const QString databasePath_;
    // Opened on first use by the reading thread; used by one read at a time.
    std::unique_ptr<CaptureStore> connection_;
    bool busy_ = false;
    QThreadPool thread_;
};
