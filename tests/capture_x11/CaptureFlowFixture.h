#pragma once

#include "CaptureFixture.h"

#include "library/Library.h"
#include "capture/CaptureController.h"
#include "markup/AnnotationCanvas.h"
#include "markup/AnnotationEditorWindowController.h"
#include "platform/x11/X11ScreenCapturer.h"
#include "platform/PermissionsService.h"
#include "settings/Preferences.h"

#include <QPlainTextEdit>
#include <QSet>
#include <QToolButton>

// The flow in this process, so the note box and the editor can be looked
// into; input still goes through the X server.
class CaptureFlowTest : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        preferences = std::make_unique<Preferences>(config.file("Zorvi.conf"), config.file("none.conf"));
        preferences->setPlayCaptureSound(false);
        library = std::make_unique<Library>(*store);
        controller = std::make_unique<CaptureController>(*library, *preferences, permissions, capturer, [this] {
            CaptureContext context;
            context.windowTitle = QStringLiteral("snapshot %1").arg(++snapshots);
            return context;
        });
        controller->setMarkupEditor(
            [this](const QImage& original, const Annotation& initial, auto trySave, auto onCancel) {
                editor.presentImage(original, initial, std::move(trySave), std::move(onCancel));
            },
            [this] { return editor.window() != nullptr; });
        QObject::connect(controller.get(), &CaptureController::composePresented, [this] { ++composed; });
    }

    void TearDown() override {
        controller.reset();
        CaptureFixture::TearDown();
    }

    bool waitForCompose(int count) {
        return processEventsUntil([&] { return composed >= count && controller->isComposing(); });
    }

    // Keys typed through the X server reach the note box only once it has the focus.
    bool waitForNoteBoxFocus() {
        return processEventsUntil([&] {
            QWidget* panel = controller->compose().panel();
            return panel && panel->isVisible() && panel->isActiveWindow();
        });
    }

    // A region of the known window in the note box, with a note and tags typed.
    void captureAndType(const QString& note, const QString& tags) {
        const QPoint image = showKnownWindow();
        // Counted before the drag: the box may come up while xdotool still runs.
        const int before = composed;
        controller->beginRegion();
        ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
        DesktopDriver::drag(image + QPoint(20, 20), image + QPoint(220, 180));
        ASSERT_TRUE(waitForCompose(before + 1));
        ASSERT_TRUE(waitForNoteBoxFocus());
        DesktopDriver::type(note);
        DesktopDriver::key("Tab");
        DesktopDriver::type(tags);
        ASSERT_TRUE(processEventsUntil([&] { return noteText() == note; }));
    }

    template <class Widget>
    Widget* find(QWidget* in, const QString& name = {}) {
        for (Widget* w : in->findChildren<Widget*>())
            if (name.isEmpty() || w->objectName() == name || w->toolTip() == name)
                return w;
        return nullptr;
    }

    static QPoint centre(QWidget* widget) { return widget->mapToGlobal(widget->rect().center()); }

    QString noteText() { return find<QPlainTextEdit>(controller->compose().panel())->toPlainText(); }

    static int distinctColours(const QImage& image, const QRect& area) {
        QSet<QRgb> colours;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                colours.insert(image.pixel(x, y));
        return int(colours.size());
    }

    QSettings editorSettings{QString(), QSettings::IniFormat};
    std::unique_ptr<Preferences> preferences;
    PermissionsService permissions;
    X11ScreenCapturer capturer;
    std::unique_ptr<Library> library;
    AnnotationEditorWindowController editor{editorSettings};
    std::unique_ptr<CaptureController> controller;
    int snapshots = 0;
    int composed = 0;
};
