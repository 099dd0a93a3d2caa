#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

class AppActions;
class PermissionsService;
class Preferences;
class QLabel;
class QPushButton;
class QStackedWidget;

// "Welcome to Zorvi": the five-step first-run guide (welcome, what the
// session permits, shortcuts, connecting an agent, ready).
class OnboardingWindow : public QWidget {
    Q_OBJECT
public:
    enum Step { welcome, permission, shortcuts, agent, ready };
    static const QStringList& stepTitles();

    OnboardingWindow(Preferences& preferences, PermissionsService& permissions, const AppActions& actions,
                     std::function<void()> onFinish, std::function<void()> onTryCapture, QWidget* parent = nullptr);
    ~OnboardingWindow() override;

    int step() const { return step_; }
    void setStep(int step);
    // The shortcut recorders, in place of the shortcut step's key caps.
    void setShortcutRecorders(QWidget* recorders);
    // Whether pressing the region shortcut captures in this session; where
    // it doesn't, the last step says how to set it up instead of naming keys.
    void setShortcutsWork(bool works);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Enter is the main button's wherever the keyboard is, as in a dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* makeWelcome();
    QWidget* makePermission();
    QWidget* makeShortcuts();
    QWidget* makeAgent();
    QWidget* makeReady();
    void showProgressAndFooter();

    Preferences& preferences_;
    PermissionsService& permissions_;
    std::function<void()> onFinish_;
    std::function<void()> onTryCapture_;
    int step_ = 0;
    QStackedWidget* pages_;
    QWidget* shortcutRows_ = nullptr;
    QWidget* readyKeys_ = nullptr;
    QLabel* readyUnbound_ = nullptr;
    QList<QLabel*> progress_;
    QPushButton* back_;
    QPushButton* skip_;
    QPushButton* next_;
};
