#include "CaptureListModel.h"

#include "DashboardViewModel.h"

CaptureListModel::CaptureListModel(DashboardViewModel& board, QObject* parent)
    : QAbstractListModel(parent), board_(board) {
    for (const Capture& c : board_.visibleCaptures())
        ids_ << c.id;
    connect(&board_, &DashboardViewModel::boardChanged, this, &CaptureListModel::refresh);
}

int CaptureListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(ids_.size());
}

QVariant CaptureListModel::data(const QModelIndex& index, int role) const {
    // The id comes from the rows as the view last saw them, so it stays right
    // while a reset is being announced.
    if (role == IdRole)
        return index.isValid() ? ids_.value(index.row()) : QVariant();
    const Capture* c = capture(index);
    if (!c)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: return c->title();
    default: return {};
    }
}

const Capture* CaptureListModel::capture(const QModelIndex& index) const {
    const auto& visible = board_.visibleCaptures();
    if (!index.isValid() || index.row() < 0 || size_t(index.row()) >= visible.size())
        return nullptr;
    return &visible[size_t(index.row())];
}

QModelIndex CaptureListModel::indexOf(const QString& captureID) const {
    const qsizetype row = ids_.indexOf(captureID);
    return row < 0 ? QModelIndex() : index(int(row));
}

void CaptureListModel::refresh() {
    QStringList ids;
    ids.reserve(qsizetype(board_.visibleCaptures().size()));
    for (const Capture& c : board_.visibleCaptures())
        ids << c.id;
    if (ids == ids_) {
        if (!ids_.isEmpty())
            emit dataChanged(index(0), index(int(ids_.size()) - 1));
        return;
    }
    // Rows moved, came or went: the view restores its selection by id afterwards.
    beginResetModel();
    ids_ = std::move(ids);
    endResetModel();
}
