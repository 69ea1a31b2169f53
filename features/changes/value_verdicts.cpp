#include "features/value_verdicts.h"

#include <windows.h>

#include <cstring>

#include "features/tuning_plan.h"
#include "platform/registry.h"
#include "platform/files.h"
#include "platform/text.h"

namespace zephrin {
namespace {

struct VerdictRow {
    const wchar_t* name;
    Verdict verdicts[kVerdictColumns];
};

constexpr Verdict used = Verdict::Used;
constexpr Verdict wininet = Verdict::WinInetOnly;
constexpr Verdict ignored = Verdict::Ignored;
constexpr Verdict unknown = Verdict::NotKnown;

const VerdictRow kVerdicts[] = {
#define ZEPHRIN_SOURCE(number, address, title)
#define ZEPHRIN_VERDICTS(name, sources, ...) {L## #name, {__VA_ARGS__}},
#include "value_verdicts.def"
#undef ZEPHRIN_VERDICTS
#undef ZEPHRIN_SOURCE
};

// Where the MDM client keeps the policies it was given, one value per policy.
const wchar_t kMdmQosPath[] = L"\\SOFTWARE\\Microsoft\\PolicyManager\\current\\device\\ADMX_QoS";
struct PolicyNames {
    const wchar_t* value;
    const wchar_t* mdmPolicy;
};
const PolicyNames kPolicies[] = {
    {L"NonBestEffortLimit", L"QosNonBestEffortLimit"},
    {L"MaxOutstandingSends", L"QosMaxOutstandingSends"},
};

const PolicyNames* PolicyOf(const std::wstring& valueName) {
    for (const PolicyNames& p : kPolicies)
        if (EqualsIgnoringAsciiCase(valueName, std::wstring(p.value))) return &p;
    return nullptr;
}

}  // namespace

VerdictColumn VerdictColumnFor(const RealWindowsVersion& v) {
    if (v.major == 10 && v.minor == 0)
        return v.Workstation() ? (v.build >= kFirstWindows11Build ? kColumnWindows11 : kColumnWindows10)
                               : kNoVerdictColumn;
    // The older columns are the main window's list, in the order of its codes.
    const int code = ClassifyWindowsVersion(v.major, v.minor, v.productType);
    return code >= 0 && code <= kColumnServer2012 ? static_cast<VerdictColumn>(code) : kNoVerdictColumn;
}

Verdict VerdictFor(const std::wstring& valueName, VerdictColumn column) {
    if (column < 0 || column >= kVerdictColumns) return Verdict::NotKnown;
    for (const VerdictRow& row : kVerdicts)
        if (valueName == row.name) return row.verdicts[column];
    return Verdict::NotKnown;
}

bool PolicyFileSets(const std::string& bytes, const std::wstring& valueName) {
    // "PReg", version 1, then [key;value;type;size;data] entries: the key and
    // the value name in UTF-16 with their terminating zero, type and size as
    // four-byte numbers, every bracket and semicolon a UTF-16 character too.
    if (bytes.size() < 8 || bytes.compare(0, 4, "PReg") != 0) return false;
    size_t at = 8;
    auto character = [&](wchar_t& c) {
        if (at + 2 > bytes.size()) return false;
        c = static_cast<wchar_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
        at += 2;
        return true;
    };
    auto expect = [&](wchar_t wanted) {
        wchar_t c;
        return character(c) && c == wanted;
    };
    auto text = [&](std::wstring& out) {
        out.clear();
        for (wchar_t c; character(c);) {
            if (c == L'\0') return true;
            out += c;
        }
        return false;
    };
    auto number = [&](DWORD& out) {
        if (at + 4 > bytes.size()) return false;
        std::memcpy(&out, bytes.data() + at, 4);
        at += 4;
        return true;
    };
    const std::wstring policyKey = RelativeKeyPath(kPschedPolicyKey.path);
    while (at < bytes.size()) {
        std::wstring key, name;
        DWORD type = 0, size = 0;
        if (!expect(L'[') || !text(key) || !expect(L';') || !text(name) || !expect(L';') || !number(type) ||
            !expect(L';') || !number(size) || !expect(L';') || size > bytes.size() - at)
            return false;
        at += size;
        if (!expect(L']')) return false;
        if (!EqualsIgnoringAsciiCase(RelativeKeyPath(key), policyKey)) continue;
        // A policy that deletes the value ("**del.") owns it as much, and one
        // that clears the whole key ("**delvals.") owns every value in it.
        if (EqualsIgnoringAsciiCase(name, std::wstring(L"**delvals."))) return true;
        const std::wstring deleted = L"**del.";
        if (EqualsIgnoringAsciiCase(name.substr(0, deleted.size()), deleted)) name.erase(0, deleted.size());
        if (EqualsIgnoringAsciiCase(name, valueName)) return true;
    }
    return false;
}

PolicyOwner PolicyOwnerOf(const std::wstring& valueName) {
    const PolicyNames* policy = PolicyOf(valueName);
    if (!policy) return PolicyOwner::None;
    RawValue raw;
    // The MDM client is a 64-bit program: its store is under the 64-bit view, which a 32-bit program must ask for.
    if (ReadRegistryRaw(HKEY_LOCAL_MACHINE, kMdmQosPath, policy->mdmPolicy, raw, RegistryView::Native) ==
        RawRead::Present)
        return PolicyOwner::Mdm;
    // The computer's own local policy. A domain's policies reach the same key
    // through the Group Policy client and cannot be told apart from ours there.
    const std::string bytes = ReadNativeSystemFile(L"GroupPolicy\\Machine\\Registry.pol", 16u << 20);
    return PolicyFileSets(bytes, policy->value) ? PolicyOwner::GroupPolicy : PolicyOwner::None;
}

}  // namespace zephrin
