#include "features/tuning_plan.h"

#include <iterator>

#include "platform/text.h"

namespace zephrin {
namespace {

constexpr bool RowsInOrder() {
    for (int i = 0; i < kConnectionTypeCount; ++i)
        if (kConnectionTypes[i].row != i) return false;
    return true;
}
static_assert(RowsInOrder(), "connection types are declared in the order of their rows");

}  // namespace

const ConnectionType* ConnectionTypeOfRow(int row) {
    return row >= 0 && row < kConnectionTypeCount ? &kConnectionTypes[row] : nullptr;
}

const ConnectionType* ConnectionTypeOfId(const std::string& id) {
    for (const ConnectionType& type : kConnectionTypes)
        if (AsciiLower(id) == type.id) return &type;
    return nullptr;
}

bool RowGetsStackValues(int row) {
    const ConnectionType* type = ConnectionTypeOfRow(row);
    return !type || !type->keepsStackValues;
}

namespace {

struct PlanRow {
    RegistryPlace place;
    const wchar_t* name;
    int32_t boost;
    int32_t maximumBoost;
    bool everyRow;
};

const PlanRow kPlan[] = {
#define ZEPHRIN_TUNED(key, name, boost, maximumBoost, everyRow) {key, L## #name, boost, maximumBoost, everyRow},
#include "tuned_values.def"
#undef ZEPHRIN_TUNED
};

}  // namespace

std::vector<TunedValue> TunedValuesFor(int row, int speedLevel) {
    std::vector<TunedValue> values;
    for (const PlanRow& p : kPlan)
        if (p.everyRow || RowGetsStackValues(row))
            values.push_back({p.place, p.name, speedLevel > 0 ? p.maximumBoost : p.boost});
    return values;
}

std::vector<TunedValue> AllTunedValues() { return TunedValuesFor(0, 1); }

const std::vector<BackupValue>& BackupValues() {
    // What an older version restored where its saved copy of one of the
    // values every row tunes was missing, in the plan's order.
    static const int32_t kOlderDefaults[] = {2, 2, 7200000, 1000};
    static const std::vector<BackupValue> values = [] {
        std::vector<BackupValue> v;
        for (const PlanRow& p : kPlan)
            if (p.everyRow && v.size() < std::size(kOlderDefaults)) v.push_back({p.place, p.name, kOlderDefaults[v.size()]});
        return v;
    }();
    return values;
}

}  // namespace zephrin
