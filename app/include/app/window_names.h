#pragma once
// Window class names and caption table sections. Other programs find our
// windows by these classes, and the caption tables are keyed by these names,
// so they never change.
namespace zephrin {

inline constexpr wchar_t kMainFormClass[] = L"TZPMainForm";
inline constexpr wchar_t kAboutFormClass[] = L"TZPAboutForm";
inline constexpr wchar_t kProgressFormClass[] = L"TZPSettingsForm";

inline constexpr wchar_t kMainFormName[] = L"ZPMainForm";
inline constexpr wchar_t kAboutFormName[] = L"ZPAboutForm";
inline constexpr wchar_t kProgressFormName[] = L"ZPSettingsForm";
// A caption section of its own, for the update question.
inline constexpr wchar_t kUpdateFormName[] = L"ZPUpdateForm";

}  // namespace zephrin
