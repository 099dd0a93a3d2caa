#pragma once

#include "capture/ComposeModel.h"

#include <QFrame>

// The top of a note box whose last save failed: what went wrong, and the
// two ways on without losing what was typed.
class ComposeProblemBanner : public QFrame {
    Q_OBJECT
public:
    explicit ComposeProblemBanner(const ComposeModel::Problem& problem, QWidget* parent = nullptr);

signals:
    void retryRequested();
    void saveWithoutImageRequested();
};
