#include "LibraryEnums.h"

#include <QtGlobal>

namespace {

template <class Enum, size_t N>
std::optional<Enum> fromRaw(const std::array<Enum, N>& cases, const QString& raw) {
    for (Enum c : cases)
        if (rawValue(c) == raw)
            return c;
    return std::nullopt;
}

} // namespace

QString rawValue(CaptureStatus v) {
    switch (v) {
    case CaptureStatus::open: return QStringLiteral("open");
    case CaptureStatus::inProgress: return QStringLiteral("in_progress");
    case CaptureStatus::resolved: return QStringLiteral("resolved");
    case CaptureStatus::archived: return QStringLiteral("archived");
    }
    return {};
}

QString rawValue(CapturePriority v) {
    switch (v) {
    case CapturePriority::low: return QStringLiteral("low");
    case CapturePriority::normal: return QStringLiteral("normal");
    case CapturePriority::high: return QStringLiteral("high");
    }
    return {};
}

QString rawValue(CaptureMode v) {
    switch (v) {
    case CaptureMode::region: return QStringLiteral("region");
    case CaptureMode::fullscreen: return QStringLiteral("fullscreen");
    case CaptureMode::window: return QStringLiteral("window");
    case CaptureMode::text: return QStringLiteral("text");
    }
    return {};
}

QString rawValue(SyncState v) {
    switch (v) {
    case SyncState::local: return QStringLiteral("local");
    case SyncState::synced: return QStringLiteral("synced");
    case SyncState::pendingPush: return QStringLiteral("pendingPush");
    }
    return {};
}

QString rawValue(GroupVisibility v) {
    return v == GroupVisibility::workspace ? QStringLiteral("workspace") : QStringLiteral("private");
}

std::optional<CaptureStatus> captureStatusFromRaw(const QString& raw) { return fromRaw(allCaptureStatuses, raw); }
std::optional<CapturePriority> capturePriorityFromRaw(const QString& raw) { return fromRaw(allCapturePriorities, raw); }
std::optional<CaptureMode> captureModeFromRaw(const QString& raw) { return fromRaw(allCaptureModes, raw); }

std::optional<SyncState> syncStateFromRaw(const QString& raw) {
    return fromRaw(std::array{SyncState::local, SyncState::synced, SyncState::pendingPush}, raw);
}

std::optional<GroupVisibility> groupVisibilityFromRaw(const QString& raw) {
    return fromRaw(std::array{GroupVisibility::workspace, GroupVisibility::isPrivate}, raw);
}

// In English, as the history and agents read them; a window shows them through
// QCoreApplication::translate("LibraryEnums", …), under which they are marked here.
QString displayName(CaptureStatus v) {
    switch (v) {
    case CaptureStatus::open: return QString::fromUtf8(QT_TRANSLATE_NOOP("LibraryEnums", "Open"));
    case CaptureStatus::inProgress: return QString::fromUtf8(QT_TRANSLATE_NOOP("LibraryEnums", "In Progress"));
    case CaptureStatus::resolved: return QString::fromUtf8(QT_TRANSLATE_NOOP("LibraryEnums", "Resolved"));
    case CaptureStatus::archived: return QString::fromUtf8(QT_TRANSLATE_NOOP("LibraryEnums", "Archived"));
    }
    return {};
}

QString displayName(CapturePriority v) {
    switch (v) {
    case CapturePriority::low: return QString::fromUtf8(QT_TRANSLATE_NOOP("LibraryEnums", "Low"));
    case CapturePriority::normal: return QString::fromUtf8(QT_TRANSLATE_NOOP("LibraryEnums", "Normal"));
    case CapturePriority::high: return QString::fromUtf8(QT_TRANSLATE_NOOP("LibraryEnums", "High"));
    }
    return {};
}

QString displayName(CaptureMode v) {
    switch (v) {
    case CaptureMode::region: return QString::fromUtf8(QT_TRANSLATE_NOOP("LibraryEnums", "Region"));
    case CaptureMode::fullscreen: return QString::fromUtf8(QT_TRANSLATE_NOOP("LibraryEnums", "Full Screen"));
    case CaptureMode::window: return QString::fromUtf8(QT_TRANSLATE_NOOP("LibraryEnums", "Window"));
    case CaptureMode::text: return QString::fromUtf8(QT_TRANSLATE_NOOP("LibraryEnums", "Text only"));
    }
    return {};
}

QString displayName(GroupVisibility v) {
    return QString::fromUtf8(v == GroupVisibility::workspace ? QT_TRANSLATE_NOOP("LibraryEnums", "Workspace")
                                                             : QT_TRANSLATE_NOOP("LibraryEnums", "Private"));
}

int sortWeight(CapturePriority v) {
    return 2 - int(v);
}
