#include "GeneralSettingsPage.h"

#include "Autostart.h"
#include "platform/PermissionTexts.h"
#include "platform/PermissionsService.h"
#include "settings/Preferences.h"

#include "library/Library.h"
#include "platform/Platform.h"
#include "export/SaveAsName.h"
#include "ui/Labels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

namespace {

QCheckBox* toggle(QWidget* parent, const QString& text, const QString& objectName, bool value) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(objectName);
    box->setChecked(value);
    return box;
}

} // namespace

GeneralSettingsPage::GeneralSettingsPage(Preferences& preferences, PermissionsService& permissions, Library& library,
                                         QWidget* parent)
    : QWidget(parent), preferences_(preferences), library_(library), group_(new QComboBox) {
    auto* layout = new QVBoxLayout(this);
    Preferences* prefs = &preferences;

    auto* capture = new QGroupBox(tr("Capture"));
    auto* captureLayout = new QFormLayout(capture);
    auto* sound = toggle(this, tr("Play a shutter sound"), "playCaptureSound", prefs->playCaptureSound());
    auto* clipboard = toggle(this, tr("Also copy the screenshot to the clipboard"), "copyToClipboard",
                             prefs->copyToClipboard());
    auto* dashboard = toggle(this, tr("Open the dashboard after saving"), "openDashboardAfterSave",
                             prefs->openDashboardAfterSave());
    connect(sound, &QCheckBox::toggled, prefs, &Preferences::setPlayCaptureSound);
    connect(clipboard, &QCheckBox::toggled, prefs, &Preferences::setCopyToClipboard);
    connect(dashboard, &QCheckBox::toggled, prefs, &Preferences::setOpenDashboardAfterSave);
    captureLayout->addRow(sound);
    captureLayout->addRow(clipboard);
    captureLayout->addRow(dashboard);
    auto* handles = toggle(this, tr("Adjust a dragged region with handles, then press Enter"),
                           "adjustRegionWithHandles", prefs->adjustRegionWithHandles());
    connect(handles, &QCheckBox::toggled, prefs, &Preferences::setAdjustRegionWithHandles);
    captureLayout->addRow(handles);
    auto* notices = toggle(this, tr("Notify me when an agent works on my captures or sync needs attention"),
                           "showDesktopNotices", prefs->showDesktopNotices());
    connect(notices, &QCheckBox::toggled, prefs, &Preferences::setShowDesktopNotices);
    captureLayout->addRow(notices);
    group_->setObjectName("defaultGroup");
    captureLayout->addRow(tr("File new captures in"), group_);
    fillGroups();
    connect(&library, &Library::changed, this, &GeneralSettingsPage::fillGroups);
    connect(group_, &QComboBox::activated, this, [this] {
        const QString id = group_->currentData().toString();
        preferences_.setDefaultGroupID(id.isEmpty() ? std::nullopt : std::optional<QString>(id));
    });
    auto* saveAsName = new QLineEdit(
        preferences.store().value(SaveAsName::patternKey, SaveAsName::defaultPattern).toString());
    saveAsName->setObjectName("saveAsNamePattern");
    saveAsName->setToolTip(tr("{date}, {app} and {note} (its first words) are filled in"));
    connect(saveAsName, &QLineEdit::textEdited, this,
            [prefs](const QString& pattern) { prefs->store().setValue(SaveAsName::patternKey, pattern); });
    captureLayout->addRow(tr("Save As file names"), saveAsName);
    layout->addWidget(capture);

    auto* context = new QGroupBox(tr("Context"));
    auto* contextLayout = new QVBoxLayout(context);
    auto* urls = toggle(this, tr("Record the page URL from browsers"), "captureURLs", prefs->captureURLs());
    connect(urls, &QCheckBox::toggled, prefs, &Preferences::setCaptureURLs);
    contextLayout->addWidget(urls);
    contextLayout->addWidget(
        Labels::secondary(tr("Reading a browser's address needs its accessibility support; Firefox offers it, "
                             "other browsers often don't. The app, window title and display are always "
                             "recorded.")));
    layout->addWidget(context);

    auto* desktop = new QGroupBox(tr("Desktop"));
    auto* desktopLayout = new QVBoxLayout(desktop);
    auto* tray = toggle(this, tr("Show Zorvi in the system tray"), "showTrayIcon", prefs->showTrayIcon());
    connect(tray, &QCheckBox::toggled, prefs, &Preferences::setShowTrayIcon);
    auto* login = toggle(this, tr("Start Zorvi when you log in"), "launchAtLogin", Autostart::isEnabled());
    connect(login, &QCheckBox::toggled, this, [this, login](bool on) {
        QString error;
        if (Autostart::setEnabled(on, &error))
            return;
        QSignalBlocker block(login);
        login->setChecked(Autostart::isEnabled());
        QMessageBox::warning(this, tr("Zorvi Settings"), error);
    });
    desktopLayout->addWidget(tray);
    desktopLayout->addWidget(login);
    auto* appearance = new QComboBox;
    appearance->setObjectName("appearance");
    appearance->addItem(tr("Same as the desktop"), rawValue(Appearance::system));
    appearance->addItem(tr("Light"), rawValue(Appearance::light));
    appearance->addItem(tr("Dark"), rawValue(Appearance::dark));
    appearance->setCurrentIndex(appearance->findData(rawValue(prefs->appearance())));
    connect(appearance, &QComboBox::activated, this, [prefs, appearance] {
        prefs->setAppearance(appearanceFromRaw(appearance->currentData().toString()));
    });
    auto* appearanceRow = new QFormLayout;
    appearanceRow->addRow(tr("Appearance"), appearance);
    desktopLayout->addLayout(appearanceRow);
    layout->addWidget(desktop);

    auto* permissionsBox = new QGroupBox(tr("Permissions"));
    auto* permissionsLayout = new QFormLayout(permissionsBox);
    auto* screen = new QLabel;
    screen->setObjectName("screenCaptureState");
    screen->setWordWrap(true);
    auto* keys = new QLabel;
    keys->setObjectName("keyEventsState");
    keys->setWordWrap(true);
    auto showState = [screen, keys, &permissions] {
        const SessionType session = Platform::current().session();
        screen->setText(PermissionTexts::screenCapture(session, permissions.canCaptureScreen()));
        keys->setText(PermissionTexts::keyEvents(session, permissions.canMonitorKeys()));
    };
    showState();
    connect(&permissions, &PermissionsService::canCaptureScreenChanged, this, showState);
    permissionsLayout->addRow(tr("Screenshots\n(required)"), screen);
    permissionsLayout->addRow(tr("Key events\n(only for tap shortcuts)"), keys);
    layout->addWidget(permissionsBox);
    layout->addStretch(1);
}

void GeneralSettingsPage::fillGroups() {
    QSignalBlocker block(group_);
    group_->clear();
    group_->addItem(tr("No group"), QString());
    for (const CaptureGroup& g : library_.groups())
        group_->addItem(g.name, g.id);
    const int index = group_->findData(preferences_.defaultGroupID().value_or(QString()));
    group_->setCurrentIndex(index < 0 ? 0 : index);
}
