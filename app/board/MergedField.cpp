#include "board/MergedField.h"

void MergedField::reset(const QString& stored) {
    base_ = stored;
    theirs_.reset();
}

MergedField::Outcome MergedField::storedChanged(const QString& stored, const QString& text) {
    if (stored == base_)
        return Outcome::unchanged;
    const bool edited = text != base_;
    base_ = stored;
    if (!edited || text == stored)
        return Outcome::refreshed;
    theirs_ = stored;
    return Outcome::changedElsewhere;
}
