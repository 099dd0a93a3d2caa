#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include <functional>

// Fitting a card's words into the room it has.
namespace CardText {

// The text wrapped at word boundaries into at most `maxLines` lines of
// `width` pixels, joined by line breaks; what doesn't fit ends the last line in "…".
QString elidedLines(const QString& text, const QFont& font, int width, int maxLines);

struct TagFit {
    // The first tags that fit, in order.
    int shown = 0;
    // The rest, counted on a "+N" chip.
    int hidden = 0;
};

// How many tag chips fit in `available` pixels, at most `maxShown`, keeping
// room for the "+N" chip whenever some are left out.
TagFit fitTags(const QStringList& tags, const std::function<int(const QString&)>& chipWidth, int available,
               int maxShown);

// The chip's text for tags that didn't fit: "+2".
QString moreTags(int hidden);

} // namespace CardText
