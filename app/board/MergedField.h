#pragma once

#include <QString>

#include <optional>

// One text field of the detail view over a stored value that an agent or
// another computer may change while the person looks at it. A field they
// haven't touched follows the stored value; one they are editing keeps
// their text and remembers the other version. No widgets here.
class MergedField {
public:
    enum class Outcome { unchanged, refreshed, changedElsewhere };

    // Starts over at a stored value (a capture was opened).
    void reset(const QString& stored);
    // The stored value is now `stored` while the field holds `text`:
    // refreshed means the field should show `stored`.
    Outcome storedChanged(const QString& stored, const QString& text);
    // The field's text was written to the library.
    void saved(const QString& text) { base_ = text; }
    bool isEdited(const QString& text) const { return text != base_; }

    // The version written elsewhere while the person was editing, until they
    // take it or dismiss it.
    const std::optional<QString>& theirs() const { return theirs_; }
    void forgetTheirs() { theirs_.reset(); }

private:
    QString base_;
    std::optional<QString> theirs_;
};
