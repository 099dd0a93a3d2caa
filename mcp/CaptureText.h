#pragma once

#include "store/Capture.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// The plain-text forms in which tools show captures to an agent.
namespace CaptureText {

// "2026-12-04 10:22 UTC": unambiguous whatever the agent's time zone.
QString timestamp(const QDateTime& time);

// "Open · High priority", plus who claimed it and the resolution reference.
QString state(const Capture& capture);

// Where it was taken: app, window title, page address, display; "" if unknown.
QString context(const Capture& capture);

// Two lines for a list: id, state and title; then group, tags and context.
QString summary(const Capture& capture, const std::optional<QString>& groupName, const QStringList& tags);

} // namespace CaptureText
