#include "markup/ToolChoices.h"

#include <QCoreApplication>

namespace {

ToolChoice drawing(AnnotationTool tool, Qt::Key key) {
    return ToolChoice{AnnotationEditorModel::Mode::draw, tool, AnnotationTools::rawValue(tool),
                      QCoreApplication::translate("AnnotationTool", AnnotationTools::displayName(tool).toUtf8()),
                      AnnotationTools::symbolName(tool), QKeyCombination(key)};
}

} // namespace

const QList<ToolChoice>& toolChoices() {
    using Mode = AnnotationEditorModel::Mode;
    static const QList<ToolChoice> choices{
        ToolChoice{Mode::select, AnnotationTool::pen, AnnotationEditorModel::selectTool,
                   QCoreApplication::translate("AnnotationTool", "Select"), "cursorarrow", QKeyCombination(Qt::Key_V)},
        drawing(AnnotationTool::pen, Qt::Key_D),
        drawing(AnnotationTool::arrow, Qt::Key_A),
        drawing(AnnotationTool::rectangle, Qt::Key_R),
        drawing(AnnotationTool::ellipse, Qt::Key_E),
        drawing(AnnotationTool::highlight, Qt::Key_H),
        drawing(AnnotationTool::blur, Qt::Key_B),
        drawing(AnnotationTool::text, Qt::Key_T),
        drawing(AnnotationTool::step, Qt::Key_N),
        ToolChoice{Mode::crop, AnnotationTool::pen, AnnotationEditorModel::cropTool,
                   QCoreApplication::translate("AnnotationTool", "Crop"), "crop", QKeyCombination(Qt::Key_C)},
    };
    return choices;
}
