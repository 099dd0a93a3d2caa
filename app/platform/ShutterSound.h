#pragma once

struct ca_context;

// The desktop's "camera-shutter" sound through libcanberra. Where no sound
// service runs, playing is silent: a missing sound is never an error.
class ShutterSound {
public:
    ShutterSound() = default;
    ~ShutterSound();
    ShutterSound(const ShutterSound&) = delete;
    ShutterSound& operator=(const ShutterSound&) = delete;

    // Returns at once; the sound plays in the sound service.
    void play();

private:
    ca_context* context_ = nullptr;
    bool unavailable_ = false;
};
