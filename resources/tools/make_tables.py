#!/usr/bin/env python3
"""Writes the caption tables ENGLISH (Windows-1252, no byte-order mark) and
KOREAN (UTF-16LE with FF FE). Which rows they hold, in which order and groups,
and which row carries a blank after its closing quote, comes from the
declarations in app/common/captions.def; the texts come from here. A declared
row without a text in either language, or a text without a declared row,
stops the script."""
import os
import re
import sys

MAIN = "ZPMainForm"
ABOUT = "ZPAboutForm"
SETTINGS = "ZPSettingsForm"
CHANGES = "ZPChangesForm"
UPDATE = "ZPUpdateForm"
UPDATER = "ZephrinUpdate"  # the updater's rows that its window's group has no key for

ENGLISH_GROUPS = [
    [
        (MAIN, MAIN, "Zephrin - Make your internet connection faster"),
        (MAIN, "BenefitsLabel", "Benefits of Zephrin"),
        (MAIN, "BenefitsDescription", "Zephrin will optimize this computer and modem's performance by adjusting several settings within Windows.  These changes may increase your internet speed to run much faster."),
        (MAIN, "PerformanceHeading", "Choose the correct settings below"),
        (MAIN, "OSVersionLabel", "Operating System : "),
        (MAIN, "ModemTypeLabel", "Internet Type : "),
        (MAIN, "SpeedLabel", "Speed Setting : "),
        (MAIN, "FastLabel", "Boost"),
        (MAIN, "FasterLabel", "Maximum Boost"),
        (MAIN, "VersionInstalledLabel", "Version installed : "),
        (MAIN, "SoftwareLastUpdateLabel", "Last updated : "),
        (MAIN, "NavStatic1", "Help"),
        (MAIN, "NavStatic2", "Home"),
        (MAIN, "NavStatic3", "Support"),
        (MAIN, "NavStatic4", "About"),
        (MAIN, "NavLabel2", "Choose a link below"),
        (MAIN, "LinkLabel4", "Help with Zephrin"),
        (MAIN, "LinkLabel5", "Contact tech support"),
        (MAIN, "LinkLabel6", "Click to visit our website"),
        (MAIN, "LinkLabel7", "About Zephrin"),
        (MAIN, "LinkLabel8", "What Zephrin changes"),
        (MAIN, "GoButton", "&Optimize now"),
        (MAIN, "RestoreButton", "&Restore"),
        (MAIN, "UpdatesButton", " &Check for updates ..."),
        (MAIN, "HelpFilePopup", "Get &help with Zephrin"),
        (MAIN, "TechSupportPopup", "&Contact technical support"),
        (MAIN, "MessageBoxReset1", "This will restore all changes made to the computer's internet settings to their original recommended values."),
        (MAIN, "MessageBoxReset2", "Click OK to continue."),
        (MAIN, "MessageBoxChangeRestart1", "The changes to the computer's internet settings have finished."),
        (MAIN, "MessageBoxChangeRestart2", "You will need to restart Windows for the changes to become active."),
        (MAIN, "MessageBoxChangeRestart3", "Click Yes to restart the computer now, or click No to restart later."),
        (MAIN, "MessageBoxBackupRefused1", "Windows did not allow the current settings to be saved, so nothing was changed."),
        (MAIN, "MessageBoxBackupRefused2", "Sign in as an administrator, or allow Zephrin in your security program, and try again."),
        (MAIN, "MessageBoxNotChanged1", "Windows did not allow these settings to be changed:"),
        (MAIN, "MessageBoxNotChanged2", "They keep their earlier values. Restore puts back every setting that was changed."),
        (MAIN, "MessageBoxNotRestored1", "Windows did not allow these settings to be put back:"),
        (MAIN, "MessageBoxNotRestored2", "Your original settings are still saved. Click Restore to try again."),
        (MAIN, "MessageBoxCopyMissing1", "Zephrin's saved copy of these settings is missing, so they could not be put back:"),
        (MAIN, "MessageBoxCopyMissing2", "They keep their present values. Zephrin keeps the rest of its saved settings, so that nothing more is lost."),
        (MAIN, "MessageBoxNothingSaved1", "No saved settings were found, so nothing was changed."),
        (MAIN, "MessageBoxNothingSaved2", "Zephrin saves the current settings the next time you click Optimize now."),
    ],
    [
        (ABOUT, ABOUT, "About Zephrin"),
        (ABOUT, "BannerLabel", "More information about this software"),
        (ABOUT, "VersionLabel", "Zephrin 7  (Version : "),
        (ABOUT, "CopyrightLabel", "Copyright \u00a9 2014 ORVANE. All rights reserved."),
        (ABOUT, "LicenseAgreementLabel", "Click to view the end-user license terms"),
        (ABOUT, "CopyrightWarningLabel", ""),
        (ABOUT, "HelpButton", "&Help"),
        (ABOUT, "CloseButton", "&Close"),
        (ABOUT, "LicensedMemo", "Artwork, icons and the click sound were made for Zephrin by ORVANE. The update check uses the Boost C++ Libraries, \u201cBoost.Beast\u201d and \u201cBoost.Asio\u201d, under the Boost Software License 1.0. Zephrin\u2122 and the Zephrin logo are trademarks of ORVANE. Microsoft\u00ae and Windows\u00ae are registered trademarks of Microsoft Corporation."),
    ],
    [
        (SETTINGS, SETTINGS, "Updating computer's internet settings"),
        (SETTINGS, "MessageUpdate", "Optimizing the computer's internet settings"),
        (SETTINGS, "MessageRestore", "Restoring the computer's internet settings"),
        (SETTINGS, "MessageChange1", "Finding computer information"),
        (SETTINGS, "MessageChange2", "Finding modem information"),
        (SETTINGS, "MessageChange3", "Backing up modem settings"),
        (SETTINGS, "MessageChange4", "Writing new modem settings"),
        (SETTINGS, "MessageChange5", "Restoring modem settings"),
    ],
    [
        (UPDATE, UPDATE, "Zephrin Update"),
        (UPDATE, "BannerLabel", "Keep your software up to date"),
        (UPDATE, "UpdateHeading", "Check for a newer version of Zephrin"),
        (UPDATE, "UpdateDescription", "Zephrin can look for a newer version on the update server and install it for you."),
        (UPDATE, "UpdateLabel1", "Connecting to the update server"),
        (UPDATE, "UpdateLabel2", "Downloading the update"),
        (UPDATE, "UpdateLabel3", "Installing the update"),
        (UPDATE, "HelpButton", "&Help"),
        (UPDATE, "UpdateButton", "&Update now"),
        (UPDATE, "CloseButton", "&Close"),
        (UPDATE, "MessageBoxAdmin1", "Installing updates requires administrator rights."),
        (UPDATE, "MessageBoxAdmin2", "Please sign in as an administrator and try again."),
        (UPDATE, "MessageBoxNoConnection1", "The update server could not be reached."),
        (UPDATE, "MessageBoxNoConnection2", "Please check your internet connection and try again."),
        (UPDATE, "MessageBoxNoUpdate1", "You already have the latest version of this software."),
        (UPDATE, "MessageBoxNoUpdate2", "No update is needed at this time."),
        (UPDATE, "MessageBoxUpdate1", "An update for this software is available to download."),
        (UPDATE, "MessageBoxUpdate2", "Do you want to download and install a new version of this software?"),
        (UPDATE, "MessageBoxManualUpdate1", "The update could not be installed automatically."),
        (UPDATE, "MessageBoxManualUpdate2", "Please download the latest version from our website."),
        (UPDATE, "MessageBoxUpdateRestart1", "The update has been installed."),
        (UPDATE, "MessageBoxUpdateRestart2", "You will need to restart Zephrin to use the new version."),
        (UPDATE, "MessageBoxUpdateRestart3", "Click Yes to restart Zephrin now, or click No to restart later."),
    ],
    [
        (CHANGES, CHANGES, "What Zephrin changes"),
        (CHANGES, "SystemLabel", "This computer runs %1 (version %2, build %3)."),
        (CHANGES, "ValuesLabel", "The values Zephrin writes, for the Internet Type and Speed Setting chosen in the main window:"),
        (CHANGES, "ColumnSetting", "Setting"),
        (CHANGES, "ColumnWhere", "Where"),
        (CHANGES, "ColumnNow", "Now"),
        (CHANGES, "ColumnAfter", "After Optimize"),
        (CHANGES, "ColumnBefore", "Before Zephrin"),
        (CHANGES, "ColumnWindows", "On this Windows"),
        (CHANGES, "WhereInternetSettings", "Internet Settings"),
        (CHANGES, "WhereTcpIp", "TCP/IP"),
        (CHANGES, "WherePacketScheduler", "Packet scheduler"),
        (CHANGES, "NotSet", "(not set)"),
        (CHANGES, "NotChanged", "(not changed)"),
        (CHANGES, "CannotBeRead", "(cannot be read)"),
        (CHANGES, "VerdictUsed", "used"),
        (CHANGES, "VerdictWinInet", "used by Internet Explorer's networking only"),
        (CHANGES, "VerdictIgnored", "ignored"),
        (CHANGES, "VerdictNotKnown", "not known"),
        (CHANGES, "ManagedGroupPolicy", " (set by Group Policy)"),
        (CHANGES, "ManagedMdm", " (set by MDM)"),
        (CHANGES, "SaveButton", "&Save current settings..."),
        (CHANGES, "HelpButton", "&Help"),
        (CHANGES, "CloseButton", "&Close"),
        (CHANGES, "SaveFileName", "Zephrin settings %1.reg"),
        (CHANGES, "SaveFileKind", "Registration Files (*.reg)"),
        (CHANGES, "MessageBoxSaveFailed1", "The settings could not be saved in this file."),
        (CHANGES, "MessageBoxSaveFailed2", "Choose another folder or file name and try again."),
    ],
    [
        (UPDATER, "CancelButton", "Cancel"),
        (UPDATER, "MessageBoxDownload1", "The update could not be downloaded from the update server."),
        (UPDATER, "MessageBoxVerify1", "The update failed its security check and was not trusted."),
        (UPDATER, "MessageBoxNoVerify1", "Windows on this computer cannot check the signature of an update."),
        (UPDATER, "MessageBoxNoSpace1", "The update could not be saved on this computer."),
        (UPDATER, "MessageBoxOutOfDate1", "The update information from the server is out of date."),
        (UPDATER, "MessageBoxNothingInstalled", "Nothing was installed."),
    ],
]

KOREAN_TEXTS = {
    (MAIN, MAIN): "Zephrin - 당신의 인터넷 연결을 빠르게!",
    (MAIN, "BenefitsLabel"): "Zephrin의 장점",
    (MAIN, "BenefitsDescription"): "Zephrin은 Windows 내에서 몇 가지 설정을 변경하여 인터넷 속도를 향상시킵니다.",
    (MAIN, "PerformanceHeading"): "알맞은 설정을 선택하십시오.",
    (MAIN, "OSVersionLabel"): "운영 체제 : ",
    (MAIN, "ModemTypeLabel"): "인터넷 타입 : ",
    (MAIN, "SpeedLabel"): "속도 설정 : ",
    (MAIN, "FastLabel"): "빠르게",
    (MAIN, "FasterLabel"): "매우 빠르게",
    (MAIN, "VersionInstalledLabel"): "설치된 버전 : ",
    (MAIN, "SoftwareLastUpdateLabel"): "최근 업데이트 : ",
    (MAIN, "NavStatic1"): "도움말",
    (MAIN, "NavStatic2"): "홈페이지",
    (MAIN, "NavStatic3"): "지원",
    (MAIN, "NavStatic4"): "정보",
    (MAIN, "NavLabel2"): "아래 링크 선택",
    (MAIN, "LinkLabel4"): "Zephrin 도움말",
    (MAIN, "LinkLabel5"): "기술 지원 연락",
    (MAIN, "LinkLabel6"): "웹사이트 방문",
    (MAIN, "LinkLabel7"): "Zephrin 정보",
    (MAIN, "LinkLabel8"): "Zephrin이 바꾸는 값",
    (MAIN, "GoButton"): "지금 최적화(&O)",
    (MAIN, "RestoreButton"): "초기화(&R)",
    (MAIN, "UpdatesButton"): " 업데이트 체크(&C) ...",
    (MAIN, "HelpFilePopup"): "Zephrin 도움말(&H)",
    (MAIN, "TechSupportPopup"): "기술 지원 연락(&C)",
    (MAIN, "MessageBoxReset1"): "이 기능은 Zephrin으로 설정된 값을 모두 초기화할 것입니다.",
    (MAIN, "MessageBoxReset2"): "계속하시려면 OK를 클릭하십시오.",
    (MAIN, "MessageBoxChangeRestart1"): "인터넷 설정을 완료하였습니다.",
    (MAIN, "MessageBoxChangeRestart2"): "완벽한 최적화를 위해서는 Windows를 재시작해야 합니다.",
    (MAIN, "MessageBoxChangeRestart3"): "지금 재시작하시려면 Yes를, 나중에 하시려면 NO를 클릭하십시오.",
    (MAIN, "MessageBoxBackupRefused1"): "Windows에서 현재 설정을 저장하도록 허용하지 않아 아무것도 변경하지 않았습니다.",
    (MAIN, "MessageBoxBackupRefused2"): "관리자로 로그인하거나 보안 프로그램에서 Zephrin을 허용한 후 다시 시도하십시오.",
    (MAIN, "MessageBoxNotChanged1"): "Windows에서 다음 설정을 변경하도록 허용하지 않았습니다:",
    (MAIN, "MessageBoxNotChanged2"): "이 설정은 이전 값을 유지합니다. 초기화를 누르면 변경된 모든 설정이 원래대로 돌아갑니다.",
    (MAIN, "MessageBoxNotRestored1"): "Windows에서 다음 설정을 원래대로 되돌리도록 허용하지 않았습니다:",
    (MAIN, "MessageBoxNotRestored2"): "원래 설정은 그대로 저장되어 있습니다. 다시 시도하려면 초기화를 클릭하십시오.",
    (MAIN, "MessageBoxCopyMissing1"): "Zephrin에 저장된 다음 설정의 사본이 없어 원래대로 되돌리지 못했습니다:",
    (MAIN, "MessageBoxCopyMissing2"): "이 설정은 현재 값을 유지합니다. 더 이상 잃는 것이 없도록 Zephrin은 나머지 저장된 설정을 보관합니다.",
    (MAIN, "MessageBoxNothingSaved1"): "저장된 설정을 찾을 수 없어 아무것도 변경하지 않았습니다.",
    (MAIN, "MessageBoxNothingSaved2"): "다음에 지금 최적화를 클릭하면 Zephrin이 현재 설정을 저장합니다.",
    (ABOUT, ABOUT): "Zephrin 정보",
    (ABOUT, "BannerLabel"): "이 프로그램의 더 많은 정보",
    (ABOUT, "VersionLabel"): "Zephrin 7  (버젼 : ",
    (ABOUT, "CopyrightLabel"): "Copyright \u00a9 2014 ORVANE. 모든 권리 보유.",
    (ABOUT, "LicenseAgreementLabel"): "최종 소비자 계약 내용을 보시려면 클릭하세요",
    (ABOUT, "CopyrightWarningLabel"): "",
    (ABOUT, "HelpButton"): "도움말(&H)",
    (ABOUT, "CloseButton"): "닫기(&C)",
    (ABOUT, "LicensedMemo"): "Zephrin의 그림, 아이콘과 클릭 소리는 ORVANE이 Zephrin을 위해 만들었습니다. 업데이트 확인에는 Boost Software License 1.0에 따라 Boost C++ 라이브러리(\u201cBoost.Beast\u201d, \u201cBoost.Asio\u201d)를 사용합니다. Zephrin\u2122과 Zephrin 로고는 ORVANE의 상표입니다. Microsoft\u00ae와 Windows\u00ae는 Microsoft Corporation의 등록 상표입니다.",
    (CHANGES, CHANGES): "Zephrin이 바꾸는 값",
    (CHANGES, "SystemLabel"): "이 컴퓨터의 Windows: %1 (버전 %2, 빌드 %3)",
    (CHANGES, "ValuesLabel"): "Zephrin이 쓰는 값 (기본 창에서 고른 인터넷 타입과 속도 설정 기준):",
    (CHANGES, "ColumnSetting"): "설정",
    (CHANGES, "ColumnWhere"): "위치",
    (CHANGES, "ColumnNow"): "현재",
    (CHANGES, "ColumnAfter"): "최적화 후",
    (CHANGES, "ColumnBefore"): "Zephrin 사용 전",
    (CHANGES, "ColumnWindows"): "이 Windows에서",
    (CHANGES, "WhereInternetSettings"): "인터넷 설정",
    (CHANGES, "WhereTcpIp"): "TCP/IP",
    (CHANGES, "WherePacketScheduler"): "패킷 스케줄러",
    (CHANGES, "NotSet"): "(설정 안 됨)",
    (CHANGES, "NotChanged"): "(바뀌지 않음)",
    (CHANGES, "CannotBeRead"): "(읽을 수 없음)",
    (CHANGES, "VerdictUsed"): "사용함",
    (CHANGES, "VerdictWinInet"): "Internet Explorer 네트워킹에서만 사용",
    (CHANGES, "VerdictIgnored"): "무시됨",
    (CHANGES, "VerdictNotKnown"): "알 수 없음",
    (CHANGES, "ManagedGroupPolicy"): " (그룹 정책이 설정함)",
    (CHANGES, "ManagedMdm"): " (MDM이 설정함)",
    (CHANGES, "SaveButton"): "현재 설정 저장(&S)...",
    (CHANGES, "HelpButton"): "도움말(&H)",
    (CHANGES, "CloseButton"): "닫기(&C)",
    (CHANGES, "SaveFileName"): "Zephrin 설정 %1.reg",
    (CHANGES, "SaveFileKind"): "등록 파일 (*.reg)",
    (CHANGES, "MessageBoxSaveFailed1"): "설정을 이 파일에 저장하지 못했습니다.",
    (CHANGES, "MessageBoxSaveFailed2"): "다른 폴더나 파일 이름을 골라 다시 시도하십시오.",
    (SETTINGS, SETTINGS): "인터넷 설정",
    (SETTINGS, "MessageUpdate"): "인터넷 설정을 최적화하는 중",
    (SETTINGS, "MessageRestore"): "인터넷 설정을 복원하는 중",
    (SETTINGS, "MessageChange1"): "컴퓨터 정보를 검색하는 중",
    (SETTINGS, "MessageChange2"): "모뎀 정보를 검색하는 중",
    (SETTINGS, "MessageChange3"): "모뎀 설정을 백업하는 중",
    (SETTINGS, "MessageChange4"): "새로운 모뎀 설정을 쓰는 중",
    (SETTINGS, "MessageChange5"): "모뎀 설정을 복원하는 중",
    (UPDATE, UPDATE): "Zephrin 업데이트",
    (UPDATE, "BannerLabel"): "소프트웨어를 최신 상태로 유지하세요",
    (UPDATE, "UpdateHeading"): "Zephrin의 새 버전 확인",
    (UPDATE, "UpdateDescription"): "Zephrin은 업데이트 서버에서 새 버전을 찾아 설치할 수 있습니다.",
    (UPDATE, "UpdateLabel1"): "업데이트 서버에 연결하는 중",
    (UPDATE, "UpdateLabel2"): "업데이트를 다운로드하는 중",
    (UPDATE, "UpdateLabel3"): "업데이트를 설치하는 중",
    (UPDATE, "HelpButton"): "도움말(&H)",
    (UPDATE, "UpdateButton"): "지금 업데이트(&U)",
    (UPDATE, "CloseButton"): "닫기(&C)",
    (UPDATE, "MessageBoxAdmin1"): "업데이트를 설치하려면 관리자 권한이 필요합니다.",
    (UPDATE, "MessageBoxAdmin2"): "관리자로 로그인한 후 다시 시도하십시오.",
    (UPDATE, "MessageBoxNoConnection1"): "업데이트 서버에 연결할 수 없습니다.",
    (UPDATE, "MessageBoxNoConnection2"): "인터넷 연결을 확인한 후 다시 시도하십시오.",
    (UPDATE, "MessageBoxNoUpdate1"): "이미 최신 버전을 사용하고 있습니다.",
    (UPDATE, "MessageBoxNoUpdate2"): "지금은 업데이트가 필요하지 않습니다.",
    (UPDATE, "MessageBoxUpdate1"): "업데이트를 다운로드할 수 있습니다.",
    (UPDATE, "MessageBoxUpdate2"): "새 버전을 다운로드하고 설치하시겠습니까?",
    (UPDATE, "MessageBoxManualUpdate1"): "업데이트를 자동으로 설치하지 못했습니다.",
    (UPDATE, "MessageBoxManualUpdate2"): "웹사이트에서 최신 버전을 다운로드하십시오.",
    (UPDATE, "MessageBoxUpdateRestart1"): "업데이트를 설치했습니다.",
    (UPDATE, "MessageBoxUpdateRestart2"): "새 버전을 사용하려면 Zephrin을 다시 시작해야 합니다.",
    (UPDATE, "MessageBoxUpdateRestart3"): "지금 다시 시작하시려면 Yes를, 나중에 하시려면 No를 클릭하십시오.",
    (UPDATER, "CancelButton"): "취소",
    (UPDATER, "MessageBoxDownload1"): "업데이트 서버에서 업데이트를 다운로드하지 못했습니다.",
    (UPDATER, "MessageBoxVerify1"): "업데이트가 보안 확인을 통과하지 못해 신뢰할 수 없습니다.",
    (UPDATER, "MessageBoxNoVerify1"): "이 컴퓨터의 Windows에서는 업데이트의 서명을 확인할 수 없습니다.",
    (UPDATER, "MessageBoxNoSpace1"): "업데이트를 이 컴퓨터에 저장하지 못했습니다.",
    (UPDATER, "MessageBoxOutOfDate1"): "서버의 업데이트 정보가 오래되었습니다.",
    (UPDATER, "MessageBoxNothingInstalled"): "아무것도 설치되지 않았습니다.",
}


ENGLISH_TEXTS = {(row[0], row[1]): row[2] for group in ENGLISH_GROUPS for row in group}

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


def declared_groups():
    """The declared rows as groups of (window, key, blank_after_quote), in order."""
    groups = []
    pattern = re.compile(r"^ZEPHRIN_CAPTION\((\w+), (\w+), (fixed|ours|unread), (blank|none)\)$")
    with open(os.path.join(ROOT, "app", "common", "captions.def"), encoding="utf-8") as f:
        for line in f:
            m = pattern.match(line.strip())
            if not m:
                continue
            window, key, _, after = m.groups()
            if not groups or groups[-1][0][0] != window:
                groups.append([])
            groups[-1].append((window, key, after == "blank"))
    return groups


def render(groups, texts, language):
    blocks = []
    for group in groups:
        lines = []
        for window, key, blank in group:
            if (window, key) not in texts:
                sys.exit("no %s text for %s, %s" % (language, window, key))
            tail = " " if blank else ""
            lines.append('%s, %s, "%s"%s' % (window, key, texts[(window, key)].replace('"', '""'), tail))
        blocks.append("\r\n".join(lines))
    return "\r\n\r\n".join(blocks)  # no line end after the last row


def main():
    here = os.path.join(ROOT, "resources", "captions")
    groups = declared_groups()
    declared = {(w, k) for group in groups for w, k, _ in group}
    for language, texts in (("English", ENGLISH_TEXTS), ("Korean", KOREAN_TEXTS)):
        for window, key in texts:
            if (window, key) not in declared:
                sys.exit("%s text for %s, %s, which is not declared" % (language, window, key))
    english = render(groups, ENGLISH_TEXTS, "English")
    korean = render(groups, KOREAN_TEXTS, "Korean")
    with open(os.path.join(here, "english.tbl"), "wb") as f:
        f.write(english.encode("cp1252"))
    with open(os.path.join(here, "korean.tbl"), "wb") as f:
        f.write(b"\xff\xfe" + korean.encode("utf-16-le"))


if __name__ == "__main__":
    main()
