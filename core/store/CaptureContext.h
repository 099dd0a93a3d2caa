#pragma once

#include <QString>

#include <optional>

// Where a capture was taken: snapshotted when the capture flow starts, and
// kept with the capture in its context columns.
struct CaptureContext {
    std::optional<QString> appName;
    // The desktop-file id stands where other platforms have a bundle identifier.
    std::optional<QString> appBundleID;
    std::optional<QString> windowTitle;
    std::optional<QString> url;
    std::optional<QString> displayName;
    // The captured screen's device pixel ratio; 0 until the flow knows the screen.
    double displayScale = 0;
    // A folder hinting which group the capture belongs to.
    std::optional<QString> projectHintPath;

    friend bool operator==(const CaptureContext&, const CaptureContext&) = default;
};
