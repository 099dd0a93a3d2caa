#include "AccountView.h"

#include "Account.h"

#include "ui/Theme.h"
#include "sync/ServiceURLs.h"
#include "ui/Labels.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QHBoxLayout* row(std::initializer_list<QWidget*> widgets) {
    auto* layout = new QHBoxLayout;
    for (QWidget* w : widgets)
        layout->addWidget(w);
    layout->addStretch();
    return layout;
}

QColor statusColor(SyncStatus::Kind kind) {
    using K = SyncStatus::Kind;
    using C = Theme::Color;
    const Theme& theme = Theme::shared();
    switch (kind) {
    case K::idle: return theme.color(C::statusResolved);
    case K::syncing: return theme.color(C::statusInProgress);
    case K::offline: return theme.color(C::statusOpen);
    case K::failed:
    case K::sessionExpired: return theme.color(C::priorityHigh);
    case K::signedOut: break;
    }
    return theme.color(C::textSecondary);
}

} // namespace

AccountView::AccountView(Account& account, QWidget* parent) : QWidget(parent), account_(account) {
    setObjectName("AccountView");
    signedOut_ = buildSignedOut();
    signingIn_ = buildSigningIn();
    signedIn_ = buildSignedIn();
    auto* layout = new QVBoxLayout(this);
    for (QWidget* state : {signedOut_, signingIn_, signedIn_})
        layout->addWidget(state);
    layout->addStretch();

    connect(&account_, &Account::changed, this, &AccountView::refresh);
    connect(&Theme::shared(), &Theme::changed, this, &AccountView::refresh);
    // The status line names the last sync relative to now.
    auto* clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, [this] { status_->setText(account_.statusLine()); });
    clock->start(30'000);
    refresh();
}

QWidget* AccountView::buildSignedOut() {
    auto* box = new QWidget;
    box->setObjectName("signedOut");
    expired_ = Labels::body(tr("Your session expired. Sign in again to resume syncing."));
    expired_->setObjectName("sessionExpired");
    signIn_ = new QPushButton(tr("Sign In…"));
    signIn_->setObjectName("signIn");
    signIn_->setDefault(true);
    auto* create = new QPushButton(tr("Create an account"));
    create->setObjectName("createAccount");
    error_ = Labels::body();
    error_->setObjectName("signInError");
    error_->setStyleSheet("color: #e0443e;"); // readable on light and dark
    auto* title = Labels::heading(tr("Sync with %1").arg(ServiceURLs::webDomain()));
    title->setObjectName("accountTitle");

    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title);
    layout->addWidget(
        Labels::body(tr("Sign in and this library mirrors your workspace: your team sees what you capture, "
                        "you see what they share with you, and agents connected to your account see the "
                        "same board. Free during early access.")));
    layout->addWidget(expired_);
    layout->addLayout(row({signIn_, create}));
    layout->addWidget(error_);
    layout->addWidget(
        Labels::secondary(tr("Nothing leaves this computer until you sign in. Captures made before signing in "
                             "stay local until you choose to move them.")));
    connect(signIn_, &QPushButton::clicked, &account_, &Account::signIn);
    connect(create, &QPushButton::clicked, this, [this] { account_.openWeb("/sign-up"); });
    return box;
}

QWidget* AccountView::buildSigningIn() {
    auto* box = new QWidget;
    box->setObjectName("signingIn");
    code_ = new QLabel;
    code_->setObjectName("deviceCode");
    QFont mono = code_->font();
    mono.setFamily("monospace");
    mono.setPointSizeF(mono.pointSizeF() * 1.6);
    mono.setBold(true);
    code_->setFont(mono);
    code_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* again = new QPushButton(tr("Open browser again"));
    auto* cancel = new QPushButton(tr("Cancel"));
    cancel->setObjectName("cancelSignIn");

    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Labels::body(tr("Approve this computer in your browser. If the page asks for a code, it's:")));
    layout->addWidget(code_);
    layout->addLayout(row({again, cancel}));
    connect(again, &QPushButton::clicked, &account_, &Account::openApproval);
    connect(cancel, &QPushButton::clicked, &account_, &Account::cancelSignIn);
    return box;
}

QWidget* AccountView::buildSignedIn() {
    auto* box = new QWidget;
    box->setObjectName("signedIn");
    person_ = Labels::heading();
    person_->setObjectName("person");
    person_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_ = Labels::body();
    status_->setObjectName("syncStatus");
    auto* open = new QPushButton(tr("Open %1").arg(ServiceURLs::webDomain()));
    auto* syncNow = new QPushButton(tr("Sync now"));
    syncNow->setObjectName("syncNow");
    workspaces_ = new QComboBox;
    workspaces_->setObjectName("workspaces");

    local_ = new QWidget;
    local_->setObjectName("localCaptures");
    localCount_ = Labels::strong();
    localText_ = Labels::body();
    adopt_ = new QPushButton(tr("Move to workspace"));
    auto* localLayout = new QVBoxLayout(local_);
    localLayout->setContentsMargins(0, 0, 0, 0);
    localLayout->addWidget(localCount_);
    localLayout->addWidget(localText_);
    localLayout->addLayout(row({adopt_}));

    logToggle_ = new QToolButton;
    logToggle_->setText(tr("Sync log"));
    logToggle_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    logToggle_->setCheckable(true);
    logToggle_->setAutoRaise(true);
    logToggle_->setArrowType(Qt::RightArrow);
    log_ = new QListWidget;
    log_->setObjectName("syncLog");
    log_->setMinimumHeight(140);
    log_->hide();
    auto* signOut = new QPushButton(tr("Sign Out"));
    signOut->setObjectName("signOut");

    auto* picker = new QFormLayout;
    picker->addRow(tr("File new captures in"), workspaces_);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(person_);
    layout->addWidget(status_);
    layout->addLayout(row({open, syncNow}));
    layout->addSpacing(8);
    layout->addLayout(picker);
    layout->addWidget(
        Labels::secondary(tr("Every workspace you belong to syncs to this computer; this is only where new "
                             "captures go.")));
    layout->addSpacing(8);
    layout->addWidget(local_);
    layout->addSpacing(8);
    layout->addWidget(logToggle_, 0, Qt::AlignLeft);
    layout->addWidget(log_);
    layout->addSpacing(8);
    layout->addLayout(row({signOut}));

    connect(open, &QPushButton::clicked, this, [this] { account_.openWeb("/app"); });
    connect(syncNow, &QPushButton::clicked, &account_, &Account::syncNow);
    connect(workspaces_, &QComboBox::activated, this, [this](int index) {
        account_.setDefaultWorkspaceID(workspaces_->itemData(index).toString());
    });
    connect(adopt_, &QPushButton::clicked, this, [this] {
        if (const auto workspace = account_.defaultWorkspaceID())
            account_.adoptLocalCaptures(*workspace);
    });
    connect(logToggle_, &QToolButton::toggled, this, [this](bool on) {
        log_->setVisible(on);
        logToggle_->setArrowType(on ? Qt::DownArrow : Qt::RightArrow);
    });
    connect(signOut, &QPushButton::clicked, this, &AccountView::confirmSignOut);
    return box;
}

void AccountView::refresh() {
    const SyncStatus& status = account_.status();
    const bool waiting = account_.pendingCode().has_value();
    const bool signedIn = !waiting && status.isSignedIn() && status.kind != SyncStatus::Kind::sessionExpired &&
                          account_.me().has_value();
    signingIn_->setVisible(waiting);
    signedOut_->setVisible(!waiting && !signedIn);
    signedIn_->setVisible(signedIn);

    expired_->setVisible(status.kind == SyncStatus::Kind::sessionExpired);
    const QString problem = account_.signInError().value_or(account_.configurationProblem());
    error_->setVisible(!problem.isEmpty());
    error_->setText(problem);
    signIn_->setEnabled(account_.configurationProblem().isEmpty());
    if (waiting)
        code_->setText(account_.pendingCode()->userCode);

    if (!signedIn)
        return;
    const Person& me = *account_.me();
    person_->setText(me.email ? me.name + " <" + *me.email + ">" : me.name);
    status_->setText(account_.statusLine());
    QPalette coloured = status_->palette();
    coloured.setColor(QPalette::WindowText, statusColor(status.kind));
    status_->setPalette(coloured);

    workspaces_->clear();
    for (const Workspace& w : account_.workspaces())
        workspaces_->addItem(w.name, w.id);
    workspaces_->setCurrentIndex(workspaces_->findData(account_.defaultWorkspaceID().value_or(QString())));

    const int local = account_.localCaptureCount();
    local_->setVisible(local > 0);
    localCount_->setText(QString::number(local) + (local == 1 ? tr(" capture") : tr(" captures")) +
                         tr(" only on this computer"));
    const auto workspace = account_.defaultWorkspace();
    localText_->setText(tr("Filed before you signed in. Move them to %1 and they sync like everything else.")
                            .arg(workspace ? workspace->name : tr("your workspace")));
    adopt_->setEnabled(account_.defaultWorkspaceID().has_value());
    refreshLog();
}

void AccountView::refreshLog() {
    log_->clear();
    if (account_.log().empty()) {
        log_->addItem(tr("Nothing yet."));
        return;
    }
    const QColor errorColor = Theme::shared().color(Theme::Color::priorityHigh);
    for (const SyncLogLine& line : account_.log()) {
        auto* item = new QListWidgetItem(line.at.toLocalTime().toString("HH:mm:ss") + "  " + line.message);
        if (line.level == u"error") {
            item->setForeground(errorColor);
            item->setText("⚠ " + item->text());
        }
        log_->addItem(item);
    }
}

void AccountView::confirmSignOut() {
    QMessageBox ask(QMessageBox::Question, tr("Sign out of Zorvi?"), tr("Sign out of Zorvi?"), QMessageBox::NoButton,
                    this);
    ask.setInformativeText(tr("The account's captures leave this computer; they stay in your workspace. Captures "
                              "that were never synced stay here."));
    QPushButton* signOut = ask.addButton(tr("Sign Out"), QMessageBox::DestructiveRole);
    ask.addButton(tr("Cancel"), QMessageBox::RejectRole);
    ask.exec();
    if (ask.clickedButton() == signOut)
        account_.signOut();
}
