#pragma once

#include <QString>

#include <optional>

// Light or dark: the desktop's choice (followed live), or the person's own.
enum class Appearance { system, light, dark };

QString rawValue(Appearance appearance);
// Anything unknown reads as following the desktop.
Appearance appearanceFromRaw(const QString& raw);
// Forced dark (true) or light (false); none to follow the desktop.
std::optional<bool> forcedDark(Appearance appearance);
