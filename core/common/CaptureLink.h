#pragma once

#include <QString>

#include <optional>

// zorvi://capture/ID: a link that opens a capture on the board, and that
// zorvi-mcp accepts wherever it takes a capture id. ID may be the full id
// or the short id the board shows.
namespace CaptureLink {

inline constexpr const char* scheme = "zorvi";

QString to(const QString& captureID);
// The id a zorvi://capture/ link names; none for any other text.
std::optional<QString> captureID(const QString& text);

} // namespace CaptureLink
