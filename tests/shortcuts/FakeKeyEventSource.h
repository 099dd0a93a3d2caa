#pragma once

#include "platform/KeyEventSource.h"

// Stands in for the session's key feed, which exists only on a live X11
// session with a user at the keyboard. Tests drive the sink directly.
class FakeKeyEventSource : public KeyEventSource {
public:
    bool start(KeyEventSink& sink) override {
        ++starts;
        if (!available)
            return false;
        this->sink = &sink;
        return true;
    }
    void stop() override { sink = nullptr; }
    void setSwallowed(const QList<HotkeyBinding>& combinations) override { swallowed = combinations; }

    bool available = true;
    int starts = 0;
    KeyEventSink* sink = nullptr;
    QList<HotkeyBinding> swallowed;
};
