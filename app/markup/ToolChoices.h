#pragma once

#include "markup/AnnotationEditorModel.h"

#include <QKeyCombination>
#include <QList>
#include <QString>

// The editor's tool buttons in order: select, the eight mark tools, crop;
// each with the key that chooses it.
struct ToolChoice {
    AnnotationEditorModel::Mode mode;
    AnnotationTool tool; // for drawing tools only
    QString raw;
    QString name;
    QString symbol;
    QKeyCombination key;
};

const QList<ToolChoice>& toolChoices();
