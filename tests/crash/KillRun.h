#pragma once

#include <QtGlobal>

#include <cstdint>
#include <iostream>
#include <random>
#include <string>

// How many kills a run makes (ZORVI_KILLS) and the seed that replays it
// (ZORVI_KILL_SEED, or a fresh one), printed before the first kill so that
// any failure can be run again.
struct KillRun {
    int kills;
    std::uint32_t seed;

    static KillRun fromEnvironment(const char* what, int defaultKills) {
        bool ok = false;
        int kills = qEnvironmentVariableIntValue("ZORVI_KILLS", &ok);
        if (!ok)
            kills = defaultKills;
        std::uint32_t seed = std::uint32_t(qEnvironmentVariableIntValue("ZORVI_KILL_SEED", &ok));
        if (!ok)
            seed = std::random_device()() & 0x7fffffff;
        std::cout << what << ": " << kills << " kills, seed " << seed << std::endl;
        return {kills, seed};
    }

    // Names a kill in a failure's trace.
    std::string at(int round) const {
        return "seed " + std::to_string(seed) + ", kill " + std::to_string(round + 1) + " of " + std::to_string(kills);
    }

    void sayHowToReplay() const { std::cout << "replay with ZORVI_KILL_SEED=" << seed << std::endl; }
};
