#pragma once
// Whether the Windows in front of us uses each tuned value, from Microsoft's
// own documents (features/changes/value_verdicts.def, which the help's table is made
// from too).
#include <string>

#include "platform/windows_version.h"

namespace zephrin {

enum class Verdict { Used, WinInetOnly, Ignored, NotKnown };

// The versions the table has a column for, in its order.
enum VerdictColumn : int {
    kNoVerdictColumn = -1,
    kColumnWindows2000,
    kColumnWindowsXP,
    kColumnServer2003,
    kColumnWindowsVista,
    kColumnServer2008,
    kColumnWindows7,
    kColumnWindows8,
    kColumnServer2012,
    kColumnWindows10,
    kColumnWindows11,
    kVerdictColumns
};

// 8.1 counts as 8, and 2012 R2 as 2012, as the main window's list has them;
// the servers of 10.0 have no column.
VerdictColumn VerdictColumnFor(const RealWindowsVersion& v);
// NotKnown for a value or a column the table does not have.
Verdict VerdictFor(const std::wstring& valueName, VerdictColumn column);

// Group Policy and MDM write the packet scheduler's policy values themselves
// on a managed computer, over whatever Zephrin wrote.
enum class PolicyOwner { None, GroupPolicy, Mdm };
// Whether this computer's local Group Policy or its MDM policy store sets the value.
PolicyOwner PolicyOwnerOf(const std::wstring& valueName);
// The part of a Group Policy file (Registry.pol) that matters here: whether
// it sets `valueName` under the packet scheduler's policy key.
bool PolicyFileSets(const std::string& fileBytes, const std::wstring& valueName);

}  // namespace zephrin
