#include "features/tuning_plan.h"

namespace zephrin {
namespace {

const wchar_t kMaxConnectionsPerServer[] = L"MaxConnectionsPerServer";
const wchar_t kMaxConnectionsPer1_0Server[] = L"MaxConnectionsPer1_0Server";
const wchar_t kKeepAliveTime[] = L"KeepAliveTime";
const wchar_t kKeepAliveInterval[] = L"KeepAliveInterval";

}  // namespace

bool RowGetsStackValues(int row) { return row != kDialUpRow && row != kIsdnRow; }

std::vector<TunedValue> TunedValuesFor(int row, int speedLevel) {
    const int32_t connections = speedLevel > 0 ? 8 : 4;
    std::vector<TunedValue> values{
        {kInternetSettingsKey, kMaxConnectionsPerServer, connections},
        {kInternetSettingsKey, kMaxConnectionsPer1_0Server, connections},
        {kTcpipParametersKey, kKeepAliveTime, 7200000},
        {kTcpipParametersKey, kKeepAliveInterval, 1000},
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
        {kInternetSettingsKey, kMaxConnectionsPerServer, 2},
        {kInternetSettingsKey, kMaxConnectionsPer1_0Server, 2},
        {kTcpipParametersKey, kKeepAliveTime, 7200000},
        {kTcpipParametersKey, kKeepAliveInterval, 1000},
    };
    return values;
}

}  // namespace zephrin
