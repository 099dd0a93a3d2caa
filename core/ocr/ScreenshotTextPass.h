#pragma once

#include "TextRecognizer.h"

#include <memory>

class CaptureStore;

// One round over a library: reads every screenshot whose text is missing or
// stale and records what it found. The engine is loaded only when some
// screenshot needs reading.
class ScreenshotTextPass {
public:
    explicit ScreenshotTextPass(CaptureStore& store) : store_(store) {}

    enum class Outcome { done, engineMissing };
    struct Result {
        Outcome outcome = Outcome::done;
        int recorded = 0;
    };
    // At most `limit` screenshots. A file that can't be read yet (still
    // downloading) is left for a later round.
    Result run(int limit);

private:
    CaptureStore& store_;
    std::unique_ptr<TextRecognizer> recognizer_;
};
