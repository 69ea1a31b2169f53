#pragma once
// Window class names and caption table sections. Other programs find our
// windows by these classes, and the caption tables are keyed by these names,
// so they never change.
namespace zephrin {

inline constexpr wchar_t kMainFormClass[] = L"TZPMainForm";
inline constexpr wchar_t kAboutFormClass[] = L"TZPAboutForm";
inline constexpr wchar_t kProgressFormClass[] = L"TZPSettingsForm";
inline constexpr wchar_t kChangesFormClass[] = L"TZPChangesForm";
// The updater's window (ZephrinUpdate.exe).
inline constexpr wchar_t kUpdateFormClass[] = L"TZPUpdateForm";

inline constexpr wchar_t kMainFormName[] = L"ZPMainForm";
inline constexpr wchar_t kAboutFormName[] = L"ZPAboutForm";
inline constexpr wchar_t kProgressFormName[] = L"ZPSettingsForm";
inline constexpr wchar_t kChangesFormName[] = L"ZPChangesForm";
// The updater's window; the update question takes its texts from here too.
inline constexpr wchar_t kUpdateFormName[] = L"ZPUpdateForm";
// The updater's texts that its window's section has no row for.
inline constexpr wchar_t kUpdaterSection[] = L"ZephrinUpdate";

}  // namespace zephrin
