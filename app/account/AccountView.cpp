#include "AccountView.h"

#include "Account.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

AccountView::AccountView(Account& account, QWidget* parent)
    : QWidget(parent), account_(account), person_(new QLabel), status_(new QLabel), code_(new QLabel),
      error_(new QLabel), workspaces_(new QComboBox), workspacesLabel_(new QLabel(tr("New captures go to"))),
      signIn_(new QPushButton(tr("Sign In…"))), openPage_(new QPushButton(tr("Open Approval Page"))),
      cancel_(new QPushButton(tr("Cancel"))), syncNow_(new QPushButton(tr("Sync Now"))),
      signOut_(new QPushButton(tr("Sign Out"))), log_(new QListWidget) {
    setObjectName("AccountView");
    QFont big = person_->font();
    big.setPointSizeF(big.pointSizeF() * 1.2);
    big.setBold(true);
    person_->setFont(big);
    person_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont mono = code_->font();
    mono.setFamily("monospace");
    mono.setPointSizeF(mono.pointSizeF() * 1.6);
    mono.setBold(true);
    code_->setFont(mono);
    code_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    error_->setWordWrap(true);
    error_->setStyleSheet("color: #e0443e;"); // readable on light and dark
    status_->setWordWrap(true);
    log_->setMinimumHeight(120);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {signIn_, openPage_, cancel_, syncNow_, signOut_})
        buttons->addWidget(b);
    buttons->addStretch();

    auto* form = new QFormLayout;
    form->addRow(workspacesLabel_, workspaces_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(person_);
    layout->addWidget(status_);
    layout->addWidget(code_);
    layout->addWidget(error_);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(new QLabel(tr("Recent sync activity")));
    layout->addWidget(log_, 1);

    connect(signIn_, &QPushButton::clicked, &account_, &Account::signIn);
    connect(openPage_, &QPushButton::clicked, &account_, &Account::openApproval);
    connect(cancel_, &QPushButton::clicked, &account_, &Account::cancelSignIn);
    connect(syncNow_, &QPushButton::clicked, &account_, &Account::syncNow);
    connect(signOut_, &QPushButton::clicked, &account_, &Account::signOut);
    connect(workspaces_, &QComboBox::activated, this, [this](int index) {
        account_.setDefaultWorkspaceID(workspaces_->itemData(index).toString());
    });
    connect(&account_, &Account::changed, this, &AccountView::refresh);
    // The status line names the last sync relative to now.
    auto* clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, [this] { status_->setText(account_.statusLine()); });
    clock->start(30'000);
    refresh();
}

void AccountView::refresh() {
    const bool signedIn = account_.status().isSignedIn() && account_.me();
    const bool waiting = account_.pendingCode().has_value();
    if (signedIn) {
        const Person& me = *account_.me();
        person_->setText(me.email ? me.name + " <" + *me.email + ">" : me.name);
    } else {
        person_->setText(tr("Not signed in"));
    }
    status_->setText(account_.statusLine());
    code_->setVisible(waiting);
    if (waiting)
        code_->setText(tr("Enter this code in your browser: %1").arg(account_.pendingCode()->userCode));
    error_->setVisible(account_.signInError().has_value());
    error_->setText(account_.signInError().value_or(QString()));

    workspaces_->clear();
    for (const Workspace& w : account_.workspaces())
        workspaces_->addItem(w.name, w.id);
    workspaces_->setCurrentIndex(workspaces_->findData(account_.defaultWorkspaceID().value_or(QString())));
    workspaces_->setVisible(signedIn);
    workspacesLabel_->setVisible(signedIn);

    signIn_->setVisible(!signedIn && !waiting);
    signIn_->setEnabled(account_.configurationProblem().isEmpty());
    openPage_->setVisible(waiting);
    cancel_->setVisible(waiting);
    syncNow_->setVisible(signedIn);
    signOut_->setVisible(signedIn);

    log_->clear();
    for (const SyncLogLine& line : account_.log())
        log_->addItem(line.at.toLocalTime().toString("HH:mm:ss") + "  " + line.level + "  " + line.message);
}
