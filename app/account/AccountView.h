#pragma once

#include <QWidget>

class Account;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

// The account's controls: sign in with a device code, who is signed in and
// where new captures go, the sync status line, Sync Now and Sign Out. All state
// comes from Account; this only draws it and forwards clicks.
class AccountView : public QWidget {
    Q_OBJECT
public:
    explicit AccountView(Account& account, QWidget* parent = nullptr);

private:
    void refresh();

    Account& account_;
    QLabel* person_;
    QLabel* status_;
    QLabel* code_;
    QLabel* error_;
    QComboBox* workspaces_;
    QLabel* workspacesLabel_;
    QPushButton* signIn_;
    QPushButton* openPage_;
    QPushButton* cancel_;
    QPushButton* syncNow_;
    QPushButton* signOut_;
    QListWidget* log_;
};
