#include "tuning/tuning_plan.h"

namespace zephrin {

bool RowGetsStackValues(int row) { return row != 2 && row != 7; }

std::vector<TunedValue> TunedValuesFor(int row, int speedLevel) {
    const int32_t connections = speedLevel > 0 ? 8 : 4;
    std::vector<TunedValue> values{
        {kInternetSettingsKey, L"MaxConnectionsPerServer", connections},
        {kInternetSettingsKey, L"MaxConnectionsPer1_0Server", connections},
        {kTcpipParametersKey, L"KeepAliveTime", 7200000},
        {kTcpipParametersKey, L"KeepAliveInterval", 1000},
    };
    if (RowGetsStackValues(row)) {
        const std::vector<TunedValue> stack{
            {kTcpipParametersKey, L"DefaultTTL", 64},
            {kTcpipParametersKey, L"EnablePMTUBHDetect", 0},
            {kTcpipParametersKey, L"EnablePMTUDiscovery", 1},
            {kTcpipParametersKey, L"SackOpts", 1},
            {kTcpipParametersKey, L"Tcp1323Opts", 3},
            {kTcpipParametersKey, L"GlobalMaxTcpWindowSize", 256960},
            {kTcpipParametersKey, L"TcpWindowSize", 256960},
            {kTcpipParametersKey, L"TcpMaxDupAcks", 2},
            {kPschedPolicyKey, L"NonBestEffortLimit", 50},
            {kPschedPolicyKey, L"MaxOutstandingSends", 65535},
        };
        values.insert(values.end(), stack.begin(), stack.end());
    }
    return values;
}

std::vector<TunedValue> AllTunedValues() { return TunedValuesFor(0, 1); }

const std::vector<BackupValue>& BackupValues() {
    static const std::vector<BackupValue> values{
        {kInternetSettingsKey, L"MaxConnectionsPerServer", 2},
        {kInternetSettingsKey, L"MaxConnectionsPer1_0Server", 2},
        {kTcpipParametersKey, L"KeepAliveTime", 7200000},
        {kTcpipParametersKey, L"KeepAliveInterval", 1000},
    };
    return values;
}

}  // namespace zephrin
