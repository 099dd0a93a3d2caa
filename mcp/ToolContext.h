#pragma once

#include <QString>

class CaptureStore;

// What every library tool works with: the store, and the label under which
// this agent's comments, claims and activity are recorded.
struct ToolContext {
    CaptureStore& store;
    QString agent;
};
