#include "app/paced_step.h"

#include <windows.h>

#include <cmath>
#include <cwchar>
#include <random>

namespace zephrin {

const PacingPlan& ActivePacing() {
#ifdef ZEPHRIN_TEST_PACING
    // End-to-end tests may stretch the pauses to catch the program mid-step.
    static const PacingPlan plan = [] {
        PacingPlan p = kTestPacing;
        wchar_t buf[16] = {};
        if (GetEnvironmentVariableW(L"ZEPHRIN_PACING_PAUSE_MS", buf, 16) > 0) p.pauseMs = wcstoul(buf, nullptr, 10);
        return p;
    }();
    return plan;
#else
    return kReleasePacing;
#endif
}

int ProgressPercent(int stepCount, int totalSteps) {
    if (totalSteps == 0) return 0;
    return static_cast<int>(std::nearbyint(static_cast<double>(stepCount) / totalSteps * 100.0));
}

int32_t DrawPassCount(const PacingPlan& plan, uint32_t seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int32_t> passes(plan.minPasses, plan.maxPasses - 1);
    return passes(generator);
}

bool RunPacedStepWith(const PacingPlan& plan, const PacedStepIO& io, const std::wstring& text,
                      int& stepCount, int totalSteps) {
    const int32_t n = DrawPassCount(plan, io.seed());
    static const wchar_t* const kDots[3] = {L".", L"..", L"..."};
    for (int32_t k = 1; k <= n; ++k) {
        if (!io.pump()) return false;
        for (int d = 0; d < 3; ++d) {
            if (k == plan.dotPasses[d]) {
                io.setStatus(text + kDots[d]);
                io.sleep(plan.pauseMs);
            }
        }
    }
    ++stepCount;
    io.setProgress(ProgressPercent(stepCount, totalSteps));
    return true;
}

}  // namespace zephrin
