#include "SettingsWindow.h"

#include "AppActions.h"
#include "ui/AppNotifications.h"
#include "GeneralSettingsPage.h"
#include "LibrarySettingsPage.h"
#include "ui/SymbolIcons.h"
#include "ui/WindowGeometry.h"

#include "agents/AgentSettingsPage.h"

#include <QCloseEvent>
#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const char* const geometryKey = "settings";

// Long pages scroll rather than stretch the window.
QWidget* scrolling(QWidget* page) {
    auto* area = new QScrollArea;
    area->setWidget(page);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}

} // namespace

SettingsWindow::SettingsWindow(Preferences& preferences, PermissionsService& permissions, Library& library,
                               const AppActions& actions, QWidget* parent)
    : QWidget(parent), tabs_(new QTabWidget) {
    setWindowTitle(tr("Zorvi Settings"));
    setObjectName("settingsWindow");
    tabs_->setDocumentMode(true);
    tabs_->addTab(scrolling(new GeneralSettingsPage(preferences, permissions, library)), symbolIcon("gearshape"),
                  tr("General"));
    tabs_->addTab(new QWidget, symbolIcon("person.crop.circle"), tr("Account"));
    tabs_->addTab(new QWidget, symbolIcon("keyboard"), tr("Shortcuts"));
    tabs_->addTab(scrolling(new AgentSettingsPage), symbolIcon("sparkles"), tr("Agent"));
    tabs_->addTab(scrolling(new LibrarySettingsPage(library)), symbolIcon("internaldrive"), tr("Library"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_);

    actions.attachShortcutsTo(this);
    connect(&AppNotifications::shared(), &AppNotifications::accountTabRequested, this,
            [this] { selectTab(Tab::account); });
    WindowGeometry::restore(this, geometryKey, QSize(640, 600));
}

void SettingsWindow::selectTab(Tab tab) { tabs_->setCurrentIndex(static_cast<int>(tab)); }

SettingsWindow::Tab SettingsWindow::currentTab() const { return static_cast<Tab>(tabs_->currentIndex()); }

void SettingsWindow::setPage(Tab tab, QWidget* page) {
    const int index = static_cast<int>(tab);
    const QIcon icon = tabs_->tabIcon(index);
    const QString text = tabs_->tabText(index);
    const bool current = tabs_->currentIndex() == index;
    delete tabs_->widget(index);
    tabs_->insertTab(index, scrolling(page), icon, text);
    if (current)
        tabs_->setCurrentIndex(index);
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    WindowGeometry::save(this, geometryKey);
    QWidget::closeEvent(event);
}
