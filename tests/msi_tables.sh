#!/usr/bin/env bash
# ZephrinSetup.msi read as Windows Installer will read it, without Wine: what
# it installs where, the order and conditions of its own actions, the checks
# that keep it off the setup program's installation and out of other
# folders, the custom-action DLL's entry points, and, given the test signing
# set, its signature and that a package changed after signing fails it.
#   msi_tables.sh MSI VERSION BIN-DIR OBJDUMP [TEST-SIGNING-DIR SCRATCH-DIR]
# BIN-DIR holds the files the package was made from.
set -uo pipefail
msi=$1 version=$2 bin=$3 objdump=$4 set_dir=${5:-} scratch=${6:-}
upgrade_code='{A25FD50E-2ACC-4F24-86CF-303EDB934B0C}'
passed=0 failed=0

if [ ! -f "$msi" ]; then
  echo "FAIL: $msi is missing"
  exit 1
fi

# The rows of a table, without its three header lines.
table() { msiinfo export "$msi" "$1" | tr -d '\r' | tail -n +4; }
# The row whose first column is KEY.
row() { table "$1" | awk -F'\t' -v key="$2" '$1 == key'; }
# Column N of that row.
field() { row "$1" "$2" | cut -f"$3"; }
sequence() { field InstallExecuteSequence "$1" 3; }

check() {  # what, then a command that succeeds when it holds
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
    passed=$((passed + 1))
  else
    echo "FAIL: $what"
    failed=$((failed + 1))
  fi
}
is() {  # got want
  [ "$1" = "$2" ] || { echo "  got '$1', want '$2'"; return 1; }
}
# Each action runs after the one before it in the list; a missing action fails.
in_order() {
  local previous='' previous_at=0 action at
  for action in "$@"; do
    at=$(sequence "$action")
    [ -n "$at" ] || { echo "  $action is not in InstallExecuteSequence"; return 1; }
    if [ -n "$previous" ] && [ "$at" -le "$previous_at" ]; then
      echo "  $action ($at) does not come after $previous ($previous_at)"
      return 1
    fi
    previous=$action previous_at=$at
  done
}
# A directory's path from its standard folder, as "ProgramFilesFolder\ORVANE\Zephrin".
folder() {
  local id=$1 path='' parent name
  while :; do
    parent=$(field Directory "$id" 2)
    [ "$parent" = TARGETDIR ] && { echo "$id$path"; return; }
    [ -n "$parent" ] || { echo "?$path"; return; }
    name=$(field Directory "$id" 3)
    name=${name%%:*}   # the target's name, not the source's
    name=${name##*|}   # the long name
    path="\\$name$path"
    id=$parent
  done
}
has_bits() {  # value bits
  [ $(($1 & $2)) = $(($2)) ] || { echo "  $1 lacks the bits $2"; return 1; }
}
lacks_bits() {  # value bits
  [ $(($1 & $2)) = 0 ] || { echo "  $1 has one of the bits $2"; return 1; }
}
# Several fields of one row at once: table key column=value...
row_is() {
  local table=$1 key=$2 got want column pair
  shift 2
  [ -n "$(row "$table" "$key")" ] || { echo "  $table has no row $key"; return 1; }
  for pair in "$@"; do
    column=${pair%%=*} want=${pair#*=}
    got=$(field "$table" "$key" "$column")
    [ "$got" = "$want" ] || { echo "  $table $key column $column: got '$got', want '$want'"; return 1; }
  done
}

# --- What it is: one product line, for the machine, never restarting by itself.
check "the UpgradeCode is the product line's" is "$(field Property UpgradeCode 2)" "$upgrade_code"
check "the product version is the program's" is "$(field Property ProductVersion 2)" "$version"
check "it installs for the whole machine (ALLUSERS=1)" is "$(field Property ALLUSERS 2)" 1
check "LANGUAGE is english unless given" is "$(field Property LANGUAGE 2)" english
check "a needed restart is left to the caller (3010)" is "$(field Property REBOOT 2)" ReallySuppress
# wixl writes this row itself; LANGUAGE and OPTIMIZE must be added to it, not lost.
secure() { [[ ";$(field Property SecureCustomProperties 2);" == *";$1;"* ]] || { echo "  $1 is not secure"; return 1; }; }
check "LANGUAGE and OPTIMIZE reach an installation run as the system account" \
  eval 'secure LANGUAGE && secure OPTIMIZE && secure WIX_UPGRADE_DETECTED'
check "a package of this version or older is replaced, the same three fields included" \
  eval 'upgrade=$(table Upgrade | awk -F"\t" "\$7 == \"WIX_UPGRADE_DETECTED\""); [ -n "$upgrade" ] &&
    is "$(cut -f1,2,3 <<<"$upgrade")" "$upgrade_code		$version" &&
    has_bits "$(cut -f5 <<<"$upgrade")" 0x201'
check "a newer installed version stops this one" \
  eval 'downgrade=$(table Upgrade | awk -F"\t" "\$7 == \"WIX_DOWNGRADE_DETECTED\""); [ -n "$downgrade" ] &&
    is "$(cut -f2 <<<"$downgrade")" "$version" && has_bits "$(cut -f5 <<<"$downgrade")" 2 &&
    [ -n "$(row LaunchCondition "NOT WIX_DOWNGRADE_DETECTED")" ]'

# --- Where things go.
check "the program folder is Program Files\\ORVANE\\Zephrin" is "$(folder INSTALLFOLDER)" 'ProgramFilesFolder\ORVANE\Zephrin'
check "the download folder is the machine's ORVANE\\Zephrin\\Updates" \
  is "$(folder UpdatesFolder)" 'CommonAppDataFolder\ORVANE\Zephrin\Updates'
check "the download folder is made" is "$(field CreateFolder UpdatesFolder 2)" UpdatesFolder
check "the Start-menu folder is Zephrin" is "$(folder ProgramMenuSubfolder)" 'ProgramMenuFolder\Zephrin'
installed_file() {  # file-key name component source-in-bin
  row_is File "$1" 2="$3" 3="$2" || return 1
  is "$(field Component "$3" 3)" INSTALLFOLDER || return 1
  # The packed file's size: the right source went in, under the right name.
  is "$(field File "$1" 4)" "$(stat -c %s "$bin/$4")"
}
check "Zephrin.exe goes into the program folder" installed_file ZephrinExe Zephrin.exe ProgramFile Zephrin.exe
check "ZephrinUpdate.exe goes into the program folder" \
  installed_file ZephrinUpdateExe ZephrinUpdate.exe UpdaterFile ZephrinUpdate.exe
check "License.rtf goes into the program folder" installed_file LicenseRtf License.rtf LicenseFile License.rtf
check "the English help goes in as Zephrin.chm" installed_file HelpEnglishChm Zephrin.chm HelpEnglish Zephrin.chm
check "the Korean help goes in as Zephrin.chm" installed_file HelpKoreanChm Zephrin.chm HelpKorean Zephrin-korean.chm
check "exactly one help file is chosen, the Korean one for LANGUAGE=korean" \
  eval 'is "$(field Component HelpEnglish 5)" "LANGUAGE <> \"korean\"" && is "$(field Component HelpKorean 5)" "LANGUAGE = \"korean\""'
check "the Start-menu shortcut Zephrin starts Zephrin.exe in its folder" \
  row_is Shortcut StartMenuShortcut 2=ProgramMenuSubfolder 3=Zephrin '5=[#ZephrinExe]' 12=INSTALLFOLDER
registry_value() {  # name value component
  local key
  key=$(table Registry | awk -F'\t' -v name="$1" '$2 == 2 && $3 == "Software\\ORVANE\\Zephrin" && $4 == name {print $1}')
  [ -n "$key" ] || { echo "  no HKLM Software\\ORVANE\\Zephrin value $1"; return 1; }
  row_is Registry "$key" 5="$2" 6="$3"
}
check "the program key's Language is LANGUAGE" registry_value Language '[LANGUAGE]' ProgramKey
check "the program key names the product code, for the setup program to find" \
  registry_value MsiProductCode '[ProductCode]' ProgramKey
check "Updated=1 is written only over an older installation" \
  eval 'registry_value Updated "#1" UpdatedFlag && is "$(field Component UpdatedFlag 5)" WIX_UPGRADE_DETECTED'
check "a repair keeps the installed language" \
  eval 'row_is RegLocator "$(field AppSearch INSTALLEDLANGUAGE 2)" 2=2 "3=Software\\ORVANE\\Zephrin" 4=Language &&
    row_is CustomAction KeepInstalledLanguage 3=LANGUAGE "4=[INSTALLEDLANGUAGE]" &&
    [[ "$(field InstallExecuteSequence KeepInstalledLanguage 2)" == Installed\ AND* ]] &&
    in_order AppSearch KeepInstalledLanguage CostFinalize'

# --- Which installations it refuses.
check "the setup program's installation is found by its uninstall entry" \
  row_is RegLocator "$(field AppSearch ZEPHRINSETUPUNINSTALLER 2)" 2=2 \
  '3=Software\Microsoft\Windows\CurrentVersion\Uninstall\Zephrin' 4=UninstallString
check "and stops the installation, though never the removal of this package" \
  eval 'table LaunchCondition | grep -F "ZephrinUninstall.exe" | grep -q "^Installed OR NOT (ZEPHRINSETUPUNINSTALLER"'
check "a LANGUAGE other than english or korean stops the installation" \
  eval '[ -n "$(row LaunchCondition "Installed OR LANGUAGE = \"english\" OR LANGUAGE = \"korean\"")" ]'
other_folder_refused() {
  row_is CustomAction SetZephrinDefaultFolder 2=51 3=ZephrinDefaultFolder '4=[ProgramFilesFolder]ORVANE\Zephrin\' &&
    is "$(field CustomAction RefuseOtherFolder 2)" 19 &&
    is "$(field InstallExecuteSequence RefuseOtherFolder 2)" 'NOT Installed AND NOT (INSTALLFOLDER ~= ZephrinDefaultFolder)' &&
    in_order CostFinalize SetZephrinDefaultFolder RefuseOtherFolder InstallInitialize
}
check "a program folder other than Program Files\\ORVANE\\Zephrin stops the installation" other_folder_refused

# --- Its own actions: Zephrin.exe as the system account, and the restart it asks for.
deferred_system_dll() {  # action entry
  local type
  type=$(field CustomAction "$1" 2)
  [ -n "$type" ] || { echo "  no custom action $1"; return 1; }
  # A DLL from the Binary table (1), in the script (0x400), not impersonated (0x800).
  has_bits "$type" 0xC01 && is "$(field CustomAction "$1" 3)" ZephrinMsiActions && is "$(field CustomAction "$1" 4)" "$2"
}
data_for() {  # deferred-action expected-data
  local setter
  setter=$(table CustomAction | awk -F'\t' -v action="$1" '$2 == 51 && $3 == action {print $1}')
  [ -n "$setter" ] || { echo "  nothing sets CustomActionData for $1"; return 1; }
  is "$(field CustomAction "$setter" 4)" "$2" || return 1
  is "$(field InstallExecuteSequence "$setter" 2)" "$(field InstallExecuteSequence "$1" 2)" || return 1
  in_order "$setter" "$1"
}
check "restore: Zephrin.exe /restore runs deferred as the system account and never fails the removal" \
  eval 'deferred_system_dll ZephrinRestore ZephrinRestore && has_bits "$(field CustomAction ZephrinRestore 2)" 0x40 &&
    data_for ZephrinRestore "[INSTALLFOLDER]"'
check "restore: only on a full removal, not when a newer package replaces this one" \
  is "$(field InstallExecuteSequence ZephrinRestore 2)" 'REMOVE = "ALL" AND NOT UPGRADINGPRODUCTCODE'
check "restore: before the program key's values, the shortcut and the files go" \
  in_order InstallInitialize ZephrinRestore RemoveRegistryValues RemoveShortcuts RemoveFiles
check "optimize: Zephrin.exe /optimize OPTIMIZE runs deferred as the system account, and its failure fails" \
  eval 'deferred_system_dll ZephrinOptimize ZephrinOptimize && lacks_bits "$(field CustomAction ZephrinOptimize 2)" 0x40 &&
    data_for ZephrinOptimize "[INSTALLFOLDER]|[OPTIMIZE]"'
check "optimize: only when OPTIMIZE is given, and not on a removal" \
  is "$(field InstallExecuteSequence ZephrinOptimize 2)" 'OPTIMIZE AND NOT (REMOVE = "ALL")'
check "optimize: once the files, the program key and the shortcut are in place" \
  in_order CreateFolders InstallFiles CreateShortcuts WriteRegistryValues ZephrinOptimize InstallFinalize
check "restart: forgotten before the script is written, asked for once it has run" \
  eval 'in_order InstallInitialize ZephrinForgetRestart ZephrinRestore &&
    in_order ZephrinOptimize InstallFinalize ZephrinScheduleRestart &&
    is "$(field CustomAction ZephrinForgetRestart 2)" 65 && is "$(field CustomAction ZephrinScheduleRestart 2)" 65'
check "the older package goes whole before this one installs" in_order InstallValidate RemoveExistingProducts InstallInitialize

# The DLL the package carries, as Windows Installer will call it.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
msiinfo extract "$msi" Binary.ZephrinMsiActions >"$work/actions.dll" 2>/dev/null
exports=$("$objdump" -p "$work/actions.dll" 2>/dev/null | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk 'NR > 1 {print $NF}')
exported() {
  local entry
  for entry in $(table CustomAction | awk -F'\t' '$3 == "ZephrinMsiActions" {print $4}'); do
    grep -qx "$entry" <<<"$exports" || { echo "  the DLL does not export $entry (it exports: $(echo $exports))"; return 1; }
  done
}
check "every action the tables name is exported by ZephrinMsiActions.dll under that name" exported

# --- The signature, as the setup program's.
if [ -n "$set_dir" ]; then
  verify() { osslsigncode verify -CAfile "$set_dir/root.pem" -TSA-CAfile "$set_dir/root.pem" -in "$1" 2>&1; }
  signed() {
    local output
    output=$(verify "$1") || { printf '%s\n' "$output" | tail -n 5; return 1; }
    grep -Eq '^Message digest algorithm *: SHA256' <<<"$output" || { echo "  its digest is not SHA-256"; return 1; }
    grep -q '^Timestamp Server Signature verification: ok' <<<"$output" || { echo "  no verified time stamp"; return 1; }
    grep -q 'Subject: /O=Zephrin tests/CN=Zephrin Test Code Signing' <<<"$output" ||
      { echo "  not signed by the test signer"; return 1; }
  }
  check "the package is signed and time-stamped under the test root" signed "$msi"
  check "the DLL it carries is signed and time-stamped under the test root" signed "$work/actions.dll"
  rm -rf "$scratch" && mkdir -p "$scratch"
  changed="$scratch/$(basename "$msi")"
  cp "$msi" "$changed"
  changed_fails() {
    msibuild "$changed" -q "UPDATE \`Property\` SET \`Value\` = 'korean' WHERE \`Property\` = 'LANGUAGE'" >/dev/null 2>&1 ||
      { echo "  the copy could not be changed"; return 1; }
    ! verify "$changed" >/dev/null
  }
  check "a copy whose LANGUAGE default was changed after signing fails" changed_fails
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
