#pragma once
// One paced step: pump messages for a random number of passes, show the
// status text growing by dots, then move the progress bar on by one step.
#include <cstdint>
#include <functional>
#include <string>

namespace zephrin {

struct PacingPlan {
    int32_t minPasses;
    int32_t maxPasses;  // exclusive
    int32_t dotPasses[3];
    uint32_t pauseMs;
};

// The program's real pacing. Builds for end-to-end tests shorten it, keeping
// the same texts and bar positions.
const PacingPlan& ActivePacing();
constexpr PacingPlan kReleasePacing{1000000, 3000000, {20000, 50000, 150000}, 500};
constexpr PacingPlan kTestPacing{40, 60, {2, 5, 15}, 1};

// What a step does to the world, so the loop can be run against fakes.
struct PacedStepIO {
    std::function<uint32_t()> seed;                      // performance counter, low 32 bits
    std::function<bool()> pump;                          // false: the program is ending
    std::function<void(const std::wstring&)> setStatus;  // the status line
    std::function<void(uint32_t)> sleep;
    std::function<void(int)> setProgress;
};

// Percentage of the bar after `stepCount` of `totalSteps`, ties to even.
int ProgressPercent(int stepCount, int totalSteps);
int32_t DrawPassCount(const PacingPlan& plan, uint32_t seed);

// Runs one step. Returns false when the pump reported that the program is ending;
// the step then stops at once and counts nothing.
bool RunPacedStepWith(const PacingPlan& plan, const PacedStepIO& io, const std::wstring& text,
                      int& stepCount, int totalSteps);

}  // namespace zephrin
