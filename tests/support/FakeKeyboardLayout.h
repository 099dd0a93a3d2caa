#pragma once

#include "keys/KeyboardLayout.h"

#include <QHash>

// A keyboard layout with a fixed table, for tests that need a known layout.
class FakeKeyboardLayout : public KeyboardLayout {
public:
    explicit FakeKeyboardLayout(QHash<uint16_t, QString> characters) : characters_(std::move(characters)) {}
    QString character(uint16_t keyCode) const override { return characters_.value(keyCode); }

private:
    QHash<uint16_t, QString> characters_;
};
