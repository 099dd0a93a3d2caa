#include "NewGroupDialog.h"

#include "DashboardViewModel.h"
#include "library/Library.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

NewGroupDialog::NewGroupDialog(DashboardViewModel& board, QWidget* parent)
    : QDialog(parent), board_(board), name_(new QLineEdit), folder_(new QLineEdit),
      color_(Library::groupColors.front()) {
    setWindowTitle(tr("New group"));
    name_->setObjectName("groupName");
    name_->setPlaceholderText("Zorvi");
    folder_->setObjectName("groupFolder");
    folder_->setPlaceholderText("~/dev/zorvi");

    auto* swatches = new QHBoxLayout;
    auto* group = new QButtonGroup(this);
    for (const QString& hex : Library::groupColors) {
        auto* swatch = new QToolButton;
        swatch->setCheckable(true);
        swatch->setChecked(hex == color_);
        swatch->setFixedSize(24, 24);
        swatch->setToolTip(hex);
        swatch->setStyleSheet(QString("QToolButton { background: %1; border-radius: 12px; border: 2px solid %1; }"
                                      "QToolButton:checked { border: 2px solid palette(text); }")
                                  .arg(hex));
        group->addButton(swatch);
        connect(swatch, &QToolButton::clicked, this, [this, hex] { color_ = hex; });
        swatches->addWidget(swatch);
    }
    swatches->addStretch();

    auto* browse = new QPushButton(tr("Choose…"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString dir = QFileDialog::getExistingDirectory(this, tr("Bound folder"));
        if (!dir.isEmpty())
            folder_->setText(dir);
    });
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse);
    auto* note = new QLabel(tr("Captures taken while this folder's app is frontmost can be filed here automatically."));
    note->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(tr("Name"), name_);
    form->addRow(tr("Colour"), swatches);
    form->addRow(tr("Bound folder (optional)"), folderRow);
    form->addRow(QString(), note);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QDialogButtonBox::Cancel);
    QPushButton* createButton = buttons->addButton(tr("Create"), QDialogButtonBox::AcceptRole);
    createButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(createButton, &QPushButton::clicked, this, &NewGroupDialog::create);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

void NewGroupDialog::create() {
    if (name_->text().trimmed().isEmpty())
        return;
    if (board_.createGroup(name_->text(), color_, folder_->text()))
        accept();
    else if (const auto error = board_.library().loadError())
        QMessageBox::warning(this, tr("New group"), *error);
}
