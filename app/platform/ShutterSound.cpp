#include "platform/ShutterSound.h"

#include <canberra.h>

ShutterSound::~ShutterSound() {
    if (context_)
        ca_context_destroy(context_);
}

void ShutterSound::play() {
    if (unavailable_)
        return;
    if (!context_) {
        if (ca_context_create(&context_) != CA_SUCCESS) {
            context_ = nullptr;
            unavailable_ = true;
            return;
        }
        ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Zorvi", CA_PROP_APPLICATION_ID,
                                "dev.zorvi.Zorvi", nullptr);
    }
    ca_context_play(context_, 0, CA_PROP_EVENT_ID, "camera-shutter", CA_PROP_EVENT_DESCRIPTION, "Screenshot taken",
                    nullptr);
}
