#include "features/changes_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "features/tuning_engine.h"
#include "platform/crypto.h"
#include "platform/text.h"

namespace zephrin {
namespace {

ValueArea AreaOf(const RegistryPlace& place) {
    // By the text: each library's copy of the key names may lie elsewhere.
    const std::wstring path = place.path;
    if (path == kInternetSettingsKey.path) return ValueArea::InternetSettings;
    if (path == kPschedPolicyKey.path) return ValueArea::PacketScheduler;
    return ValueArea::TcpIp;
}

DataCell ReadCell(const KeyPlace& key, const wchar_t* name) {
    DataCell cell;
    switch (ReadRaw(key, name, cell.value)) {
    case RawRead::Present: cell.state = DataCell::Set; break;
    case RawRead::Absent: cell.state = DataCell::NotSet; break;
    case RawRead::Unknown: cell.state = DataCell::CannotBeRead; break;
    }
    return cell;
}

DataCell SetCell(RawValue value) {
    DataCell cell;
    cell.state = DataCell::Set;
    cell.value = std::move(value);
    return cell;
}

DataCell StateCell(DataCell::State state) {
    DataCell cell;
    cell.state = state;
    return cell;
}

DWORD DwordOf(const RawValue& v) {
    DWORD d = 0;
    std::memcpy(&d, v.data.data(), sizeof d);
    return d;
}
unsigned long long QwordOf(const RawValue& v) {
    unsigned long long q = 0;
    std::memcpy(&q, v.data.data(), sizeof q);
    return q;
}

// The UTF-16 text of string data, without the terminating zero. False when
// the bytes are not one clean string (odd length, no terminator, or a zero inside).
bool CleanText(const RawValue& v, std::wstring& text) {
    if (v.data.size() % 2 || v.data.size() < 2) return false;
    text.assign(v.data.size() / 2, L'\0');
    std::memcpy(text.data(), v.data.data(), v.data.size());
    if (text.back() != L'\0') return false;
    text.pop_back();
    return text.find(L'\0') == std::wstring::npos;
}

// Two hexadecimal digits a byte, `separator` between them.
std::wstring HexBytes(const RawValue& v, const wchar_t* separator) {
    const std::string hex = LowerHex(v.data.data(), v.data.size());
    std::wstring out;
    for (size_t i = 0; i < hex.size(); i += 2) {
        if (i) out += separator;
        out += static_cast<wchar_t>(hex[i]);
        out += static_cast<wchar_t>(hex[i + 1]);
    }
    return out;
}

// What data says, read by its type: a number, one text, a list of texts, or
// bytes. Data that does not fit its type (a short REG_DWORD, a REG_SZ without
// its terminator) is shown as the bytes it is.
struct Decoded {
    enum Kind { Number, Text, List, Bytes } kind = Bytes;
    unsigned long long number = 0;
    std::wstring text;
    std::vector<std::wstring> items;
};

Decoded Decode(const RawValue& v) {
    Decoded d;
    if (v.type == REG_DWORD && v.data.size() == 4) {
        d.kind = Decoded::Number;
        d.number = DwordOf(v);
    } else if (v.type == REG_QWORD && v.data.size() == 8) {
        d.kind = Decoded::Number;
        d.number = QwordOf(v);
    } else if ((v.type == REG_SZ || v.type == REG_EXPAND_SZ) && CleanText(v, d.text)) {
        d.kind = Decoded::Text;
    } else if (v.type == REG_MULTI_SZ) {
        d.kind = Decoded::List;
        d.items = MultiStringItems(v);
    }
    return d;
}

std::wstring RegQuoted(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') out += L'\\';
        out += c;
    }
    return out + L"\"";
}

// Registry Editor's form of one value's data, after the "=".
std::wstring RegData(const RawValue& v) {
    std::wstring text;
    if (v.type == REG_DWORD && v.data.size() == 4) {
        wchar_t buf[16];
        swprintf(buf, 16, L"dword:%08lx", static_cast<unsigned long>(DwordOf(v)));
        return buf;
    }
    // Registry Editor ends a statement at a line break even inside quotes, so
    // text with control characters goes out as its bytes: one statement
    // whatever the data holds, read back byte for byte.
    if (v.type == REG_SZ && CleanText(v, text) &&
        std::none_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x20; }))
        return RegQuoted(text);
    if (v.type == REG_BINARY) return L"hex:" + HexBytes(v, L",");
    wchar_t prefix[24];
    swprintf(prefix, 24, L"hex(%lx):", static_cast<unsigned long>(v.type));
    return prefix + HexBytes(v, L",");
}

// JSON pieces, built as UTF-16 and turned into UTF-8 once.
std::wstring JsonString(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        switch (c) {
        case L'"': out += L"\\\""; break;
        case L'\\': out += L"\\\\"; break;
        case L'\n': out += L"\\n"; break;
        case L'\r': out += L"\\r"; break;
        case L'\t': out += L"\\t"; break;
        default:
            if (c < 0x20) {
                wchar_t buf[8];
                swprintf(buf, 8, L"\\u%04x", static_cast<unsigned>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + L"\"";
}

std::wstring JsonCell(const DataCell& cell) {
    switch (cell.state) {
    case DataCell::NotSet: return L"{\"state\": \"not set\"}";
    case DataCell::CannotBeRead: return L"{\"state\": \"cannot be read\"}";
    case DataCell::NotChanged: return L"{\"state\": \"not changed\"}";
    case DataCell::NoUser: return L"{\"state\": \"no user logged on\"}";
    case DataCell::Set: break;
    }
    const RawValue& v = cell.value;
    const Decoded d = Decode(v);
    std::wstring data;
    switch (d.kind) {
    case Decoded::Number: data = std::to_wstring(d.number); break;
    case Decoded::Text: data = JsonString(d.text); break;
    case Decoded::List:
        data = L"[";
        for (const std::wstring& item : d.items) data += (data.size() > 1 ? L", " : L"") + JsonString(item);
        data += L"]";
        break;
    case Decoded::Bytes: data = L"\"" + HexBytes(v, L"") + L"\""; break;
    }
    return L"{\"state\": \"set\", \"type\": " + JsonString(RegistryTypeName(v.type)) + L", \"data\": " + data + L"}";
}

const wchar_t* AreaName(ValueArea area) {
    switch (area) {
    case ValueArea::InternetSettings: return L"Internet Settings";
    case ValueArea::TcpIp: return L"TCP/IP";
    case ValueArea::PacketScheduler: return L"Packet scheduler";
    }
    return L"";
}

const wchar_t* VerdictName(Verdict v) {
    switch (v) {
    case Verdict::Used: return L"used";
    case Verdict::WinInetOnly: return L"used by Internet Explorer's networking only";
    case Verdict::Ignored: return L"ignored";
    case Verdict::NotKnown: return L"not known";
    }
    return L"not known";
}

const wchar_t* ProductTypeName(unsigned type) {
    switch (type) {
    case VER_NT_WORKSTATION: return L"workstation";
    case VER_NT_DOMAIN_CONTROLLER: return L"domain controller";
    case VER_NT_SERVER: return L"server";
    default: return L"unknown";
    }
}

}  // namespace

ChangesTable ReadChangesTable(int connectionRow, int speedLevel, const PerUser& user, const RealWindowsVersion& system) {
    ChangesTable table;
    table.system = system;
    table.connectionRow = connectionRow;
    table.speedLevel = speedLevel;
    table.user = user.Sid();
    table.backupHeld = BackupHeld();
    HeldUserHive hive(user);
    const auto planned = TunedValuesFor(connectionRow, speedLevel);
    std::vector<SavedOriginal> saved;
    if (table.backupHeld) saved = SavedOriginals(connectionRow, user);
    const VerdictColumn column = VerdictColumnFor(system);
    const auto all = AllTunedValues();
    for (size_t i = 0; i < all.size(); ++i) {
        const TunedValue& t = all[i];
        ChangesRow row;
        row.name = t.name;
        row.area = AreaOf(t.place);
        row.key = TunedKeyPlace(t.place, user);
        const bool nobodys = IsPerUserValue(t.place) && user.nobody();
        row.now = nobodys ? StateCell(DataCell::NoUser) : ReadCell(row.key, t.name);
        row.afterOptimize = StateCell(DataCell::NotChanged);
        for (const TunedValue& p : planned)
            if (std::wstring(p.name) == t.name && !nobodys) row.afterOptimize = SetCell(DwordValue(p.data));
        if (i < saved.size()) {
            switch (saved[i].kind) {
            case SavedOriginal::Saved: row.beforeZephrin = SetCell(saved[i].value); break;
            case SavedOriginal::Absent: row.beforeZephrin = StateCell(DataCell::NotSet); break;
            case SavedOriginal::Missing:
            case SavedOriginal::Unreadable: row.beforeZephrin = StateCell(DataCell::CannotBeRead); break;
            // An older version's Restore leaves it as it is then.
            case SavedOriginal::Untouched: row.beforeZephrin = StateCell(DataCell::NotChanged); break;
            }
        }
        row.verdict = VerdictFor(row.name, column);
        row.managedBy = PolicyOwnerOf(row.name);
        table.rows.push_back(std::move(row));
    }
    return table;
}

std::wstring RegistryTypeName(DWORD type) {
    switch (type) {
    case REG_NONE: return L"REG_NONE";
    case REG_SZ: return L"REG_SZ";
    case REG_EXPAND_SZ: return L"REG_EXPAND_SZ";
    case REG_BINARY: return L"REG_BINARY";
    case REG_DWORD: return L"REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return L"REG_DWORD_BIG_ENDIAN";
    case REG_LINK: return L"REG_LINK";
    case REG_MULTI_SZ: return L"REG_MULTI_SZ";
    case REG_QWORD: return L"REG_QWORD";
    default: {
        wchar_t buf[16];
        swprintf(buf, 16, L"0x%lx", static_cast<unsigned long>(type));
        return buf;
    }
    }
}

std::wstring DescribeData(const RawValue& v) {
    const Decoded d = Decode(v);
    if (v.type == REG_DWORD && d.kind == Decoded::Number) return std::to_wstring(d.number);
    std::wstring shown;
    switch (d.kind) {
    case Decoded::Number: shown = std::to_wstring(d.number); break;
    case Decoded::Text: shown = L"\"" + d.text + L"\""; break;
    case Decoded::List:
        for (const std::wstring& item : d.items) shown += (shown.empty() ? L"\"" : L", \"") + item + L"\"";
        break;
    case Decoded::Bytes: shown = HexBytes(v, L" "); break;
    }
    return shown.empty() ? RegistryTypeName(v.type) : shown + L" (" + RegistryTypeName(v.type) + L")";
}

std::wstring FullKeyName(const KeyPlace& key) {
    const wchar_t* rootName = key.root == HKEY_CURRENT_USER    ? L"HKEY_CURRENT_USER"
                              : key.root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE"
                              : key.root == HKEY_USERS         ? L"HKEY_USERS"
                              : key.root == nullptr            ? L"(no user logged on)"
                                                               : L"HKEY_CLASSES_ROOT";
    std::wstring relative = RelativeKeyPath(key.path);
    while (!relative.empty() && relative.back() == L'\\') relative.pop_back();
    return std::wstring(rootName) + L"\\" + relative;
}

std::wstring SettingsRegFile(const ChangesTable& table) {
    std::wstring out = L"Windows Registry Editor Version 5.00\r\n";
    std::wstring currentKey;
    for (const ChangesRow& row : table.rows) {
        if (row.now.state == DataCell::NoUser) continue;  // no user's hive to put them back into
        const std::wstring key = FullKeyName(row.key);
        if (key != currentKey) {
            out += L"\r\n[" + key + L"]\r\n";
            currentKey = key;
        }
        switch (row.now.state) {
        case DataCell::Set: out += RegQuoted(row.name) + L"=" + RegData(row.now.value) + L"\r\n"; break;
        case DataCell::NotSet: out += RegQuoted(row.name) + L"=-\r\n"; break;
        default: out += L"; " + row.name + L" could not be read, and is left as it is\r\n"; break;
        }
    }
    return out;
}

std::string ChangesJson(const ChangesTable& table, const std::wstring& programVersion) {
    const RealWindowsVersion& s = table.system;
    std::wstring out = L"{\n  \"program\": \"Zephrin\",\n  \"version\": " + JsonString(programVersion) + L",\n";
    out += L"  \"system\": {\"name\": " + JsonString(WindowsProductName(s)) + L", \"major\": " + std::to_wstring(s.major) +
           L", \"minor\": " + std::to_wstring(s.minor) + L", \"build\": " + std::to_wstring(s.build) +
           L", \"productType\": " + JsonString(ProductTypeName(s.productType)) + L"},\n";
    const ConnectionType* type = ConnectionTypeOfRow(table.connectionRow);
    const std::string typeId = type ? type->id : "";
    const std::string levelId = kSpeedLevelIds[table.speedLevel > 0 ? kMaximumBoost : kBoost];
    out += L"  \"connectionType\": " + std::to_wstring(table.connectionRow) + L", \"connectionTypeId\": " +
           JsonString(std::wstring(typeId.begin(), typeId.end())) + L",\n  \"speedLevel\": " +
           std::to_wstring(table.speedLevel) + L", \"speedLevelId\": " +
           JsonString(std::wstring(levelId.begin(), levelId.end())) + L",\n  \"user\": " +
           (table.user.empty() ? L"null" : JsonString(table.user)) + L",\n  \"backupHeld\": " +
           (table.backupHeld ? L"true" : L"false") + L",\n  \"values\": [";
    for (size_t i = 0; i < table.rows.size(); ++i) {
        const ChangesRow& r = table.rows[i];
        out += i ? L",\n    {" : L"\n    {";
        out += L"\"setting\": " + JsonString(r.name) + L", \"where\": " + JsonString(AreaName(r.area)) +
               L", \"key\": " + JsonString(FullKeyName(r.key)) + L",\n     \"now\": " + JsonCell(r.now) +
               L",\n     \"afterOptimize\": " + JsonCell(r.afterOptimize) + L",\n     \"beforeZephrin\": " +
               (table.backupHeld ? JsonCell(r.beforeZephrin) : L"null") + L",\n     \"onThisWindows\": " +
               JsonString(VerdictName(r.verdict));
        if (r.managedBy != PolicyOwner::None)
            out += L", \"managedBy\": " + JsonString(r.managedBy == PolicyOwner::Mdm ? L"MDM" : L"Group Policy");
        out += L"}";
    }
    out += L"\n  ]\n}\n";
    return Utf8(out);
}

}  // namespace zephrin
