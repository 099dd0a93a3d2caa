#include "CaptureListWindow.h"

#include "store/CaptureStore.h"
#include "store/StoreChangeSignal.h"

#include <QCloseEvent>
#include <QDBusConnection>
#include <QListWidget>
#include <QSettings>
#include <QStatusBar>

namespace {
const char *const geometryKey = "window.board.geometry";
}

CaptureListWindow::CaptureListWindow(CaptureStore &store, QWidget *parent)
    : QMainWindow(parent), store_(store), list_(new QListWidget(this)) {
    setWindowTitle(tr("Zorvi"));
    setCentralWidget(list_);
    list_->setObjectName("captureList");
    if (!restoreGeometry(QSettings().value(geometryKey).toByteArray()))
        resize(720, 540);
    QDBusConnection::sessionBus().connect({}, StoreChangeSignal::path, StoreChangeSignal::interface,
                                          StoreChangeSignal::member, this, SLOT(reload()));
    reload();
}

void CaptureListWindow::reload() {
    try {
        const std::vector<Capture> captures = store_.captures(CaptureQuery{});
        list_->clear();
        for (const Capture &c : captures)
            list_->addItem(c.title());
        statusBar()->showMessage(tr("%n capture(s)", nullptr, int(captures.size())));
    } catch (const ZorviError &e) {
        statusBar()->showMessage(e.description());
    }
}

void CaptureListWindow::closeEvent(QCloseEvent *event) {
    QSettings().setValue(geometryKey, saveGeometry());
    QMainWindow::closeEvent(event);
}
