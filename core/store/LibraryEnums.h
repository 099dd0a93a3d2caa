#pragma once

#include <QString>

#include <array>
#include <optional>

enum class CaptureStatus { open, inProgress, resolved, archived };
enum class CapturePriority { low, normal, high };
enum class CaptureMode { region, fullscreen, window, text };
enum class SyncState { local, synced, pendingPush };
enum class GroupVisibility { workspace, isPrivate };

// Every case in declaration order.
inline constexpr std::array allCaptureStatuses{CaptureStatus::open, CaptureStatus::inProgress,
                                               CaptureStatus::resolved, CaptureStatus::archived};
inline constexpr std::array activeCaptureStatuses{CaptureStatus::open, CaptureStatus::inProgress};
inline constexpr std::array allCapturePriorities{CapturePriority::low, CapturePriority::normal,
                                                 CapturePriority::high};
inline constexpr std::array allCaptureModes{CaptureMode::region, CaptureMode::fullscreen, CaptureMode::window,
                                            CaptureMode::text};

// Raw values are the stored and wire forms; unknown raw text gives none.
QString rawValue(CaptureStatus v);
QString rawValue(CapturePriority v);
QString rawValue(CaptureMode v);
QString rawValue(SyncState v);
QString rawValue(GroupVisibility v);

std::optional<CaptureStatus> captureStatusFromRaw(const QString& raw);
std::optional<CapturePriority> capturePriorityFromRaw(const QString& raw);
std::optional<CaptureMode> captureModeFromRaw(const QString& raw);
std::optional<SyncState> syncStateFromRaw(const QString& raw);
std::optional<GroupVisibility> groupVisibilityFromRaw(const QString& raw);

QString displayName(CaptureStatus v);
QString displayName(CapturePriority v);
QString displayName(CaptureMode v);
QString displayName(GroupVisibility v);

// 0 for high, 1 for normal, 2 for low: ascending order puts high first.
int sortWeight(CapturePriority v);
