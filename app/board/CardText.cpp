#include "board/CardText.h"

#include <QFontMetrics>
#include <QTextLayout>

#include <algorithm>

namespace CardText {

QString elidedLines(const QString& text, const QFont& font, int width, int maxLines) {
    const QString flat = QString(text).replace(u'\n', u' ').simplified();
    QTextLayout layout(flat, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            // The last line gets all the rest, cut with an ellipsis if it is too long.
            lines << QFontMetrics(font).elidedText(flat.mid(line.textStart()), Qt::ElideRight, width);
            break;
        }
        lines << flat.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines.join(u'\n');
}

TagFit fitTags(const QStringList& tags, const std::function<int(const QString&)>& chipWidth, int available,
               int maxShown) {
    constexpr int gap = 4;
    TagFit fit;
    int used = 0;
    for (int i = 0; i < tags.size() && fit.shown < maxShown; ++i) {
        const int needed = used + (fit.shown > 0 ? gap : 0) + chipWidth(tags[i]);
        // With tags left over, the "+N" chip must still fit beside this one.
        const int left = std::max(int(tags.size()) - i - 1, 0);
        const int more = left > 0 ? gap + chipWidth(moreTags(left)) : 0;
        if (needed + more > available)
            break;
        used = needed;
        ++fit.shown;
    }
    fit.hidden = int(tags.size()) - fit.shown;
    return fit;
}

QString moreTags(int hidden) {
    return QStringLiteral("+%1").arg(hidden);
}

} // namespace CardText
