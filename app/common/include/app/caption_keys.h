#pragma once
// The caption tables' rows and the windows' component names as constants,
// made from app/common/captions.def: names::ZPMainForm::GoButton is both the
// name of the main window's Optimize button and the key of its caption row.
namespace zephrin {

struct CaptionKey {
    const wchar_t* window;  // the table group, which is the window's name
    const wchar_t* key;     // the row's key, which is the component's name where it names one
};

namespace names {
#define ZEPHRIN_CAPTION(window, key, kind, after) \
    namespace window { inline constexpr CaptionKey key{L## #window, L## #key}; }
#define ZEPHRIN_NAME(window, name) \
    namespace window { inline constexpr CaptionKey name{L## #window, L## #name}; }
#include "../../captions.def"
#undef ZEPHRIN_NAME
#undef ZEPHRIN_CAPTION
}  // namespace names

// Every row, in the tables' order, for the checks that the tables hold exactly these.
enum class CaptionKind { Fixed, Ours, Unread };
struct DeclaredCaption {
    CaptionKey key;
    CaptionKind kind;
    bool blankAfterQuote;
};
inline constexpr DeclaredCaption kDeclaredCaptions[] = {
#define ZEPHRIN_CAPTION_KIND_fixed CaptionKind::Fixed
#define ZEPHRIN_CAPTION_KIND_ours CaptionKind::Ours
#define ZEPHRIN_CAPTION_KIND_unread CaptionKind::Unread
#define ZEPHRIN_CAPTION_AFTER_blank true
#define ZEPHRIN_CAPTION_AFTER_none false
#define ZEPHRIN_CAPTION(window, key, kind, after) \
    {names::window::key, ZEPHRIN_CAPTION_KIND_##kind, ZEPHRIN_CAPTION_AFTER_##after},
#define ZEPHRIN_NAME(window, name)
#include "../../captions.def"
#undef ZEPHRIN_NAME
#undef ZEPHRIN_CAPTION
};

}  // namespace zephrin
