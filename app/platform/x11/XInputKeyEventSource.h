#pragma once

#include "platform/Clock.h"
#include "platform/KeyEventSource.h"

#include <QHash>
#include <QObject>

#include <xcb/xcb.h>

#include <memory>
#include <vector>

class X11Connection;
class X11KeyGrab;

// The session's key events from XInput2 raw events on the root window, which
// every client may read without a grant. Raw events can't be held back, so
// the combinations to swallow are grabbed for as long as the feed runs; the
// grabbed presses are still counted from their raw events. The grabs must sit
// on another connection: the server keeps raw events from the client whose
// grab is active, and a lost key release would leave a modifier held.
class XInputKeyEventSource : public QObject, public KeyEventSource {
    Q_OBJECT
public:
    XInputKeyEventSource(X11Connection& connection, X11Connection& grabs, QObject* parent = nullptr);
    ~XInputKeyEventSource() override;

    // False when the server has no XInput 2.
    bool start(KeyEventSink& sink) override;
    void stop() override;
    void setSwallowed(const QList<HotkeyBinding>& combinations) override;

    // Stands for any key the portable numbering has no code for.
    static constexpr uint16_t unknownKeyCode = 0xffff;

    // Reads the server's time stamp of the key event being handed out, so
    // taps and multi-presses are judged by when the keys moved, not by when
    // a busy app got round to reading them. Timers run on the system clock.
    Clock& eventClock() override { return eventClock_; }

private:
    class EventClock : public Clock {
    public:
        double now() const override { return seconds_; }
        std::unique_ptr<Timer> start(double seconds, bool repeating, std::function<void()> fire) override {
            return Clock::system().start(seconds, repeating, std::move(fire));
        }
        void advanceTo(uint32_t serverMilliseconds);

    private:
        uint32_t last_ = 0;
        double seconds_ = 0;
    };

    bool selectRawKeys(bool on);
    void handle(const xcb_generic_event_t* event);
    void grabSwallowed();
    ModifierSet held() const;

    X11Connection& connection_;
    EventClock eventClock_;
    X11Connection& grabs_;
    uint8_t opcode_ = 0;
    KeyEventSink* sink_ = nullptr;
    QHash<uint8_t, ModifierSet> heldModifierKeys_;
    QList<HotkeyBinding> swallowed_;
    std::vector<std::unique_ptr<X11KeyGrab>> swallowing_;
};
