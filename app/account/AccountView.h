#pragma once

#include <QWidget>

class Account;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QToolButton;

// The settings' account tab in its three states. Signed out: what syncing
// offers, Sign In and Create an account. Signing in: the device code to
// approve in the browser. Signed in: who, the status line in its colour,
// where new captures go, captures still only on this computer, the sync log
// and Sign Out (after a confirmation). All state comes from Account; this only
// draws it and forwards clicks.
class AccountView : public QWidget {
    Q_OBJECT
public:
    explicit AccountView(Account& account, QWidget* parent = nullptr);

private:
    QWidget* buildSignedOut();
    QWidget* buildSigningIn();
    QWidget* buildSignedIn();
    void refresh();
    void refreshLog();
    void confirmSignOut();

    Account& account_;
    QWidget* signedOut_;
    QWidget* signingIn_;
    QWidget* signedIn_;
    QLabel* expired_;
    QPushButton* signIn_;
    QLabel* error_;
    QLabel* code_;
    QLabel* person_;
    QLabel* status_;
    QComboBox* workspaces_;
    QWidget* local_;
    QLabel* localCount_;
    QLabel* localText_;
    QPushButton* adopt_;
    QToolButton* logToggle_;
    QListWidget* log_;
};
