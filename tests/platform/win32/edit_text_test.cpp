// What a single-line edit box does with keys and typed or pasted text, as the Windows edit control.
#include "platform/win32/constants.h"
#include "platform/win32/edit_text.h"
#include "platform/win32/key_input.h"
#include "platform/win32/window_state.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <variant>
#include <vector>

namespace zyn {
namespace {

using namespace window_layer;

struct Key {
    EditKey key;
    bool shift = false;
};
struct Insert {
    std::u16string_view text;
};
struct SelectAll {};
using Action = std::variant<Key, Insert, SelectAll>;

bool lf_apply(EditText& edit, const Action& action)
{
    if (const auto* key = std::get_if<Key>(&action))
        return gf_editKey(edit, key->key, key->shift);
    if (const auto* insert = std::get_if<Insert>(&action))
        return gf_editInsert(edit, insert->text);
    gf_editSelectAll(edit);
    return false;
}

struct EditCase {
    const char* what;
    EditText before;
    std::vector<Action> actions;
    EditText after;
    bool changed; // by the last action
};

TEST(EditText, KeysMoveSelectAndDeleteAsInTheWindowsEditBox)
{
    const char16_t pair[] = u"a\U0001F600b"; // a character of two UTF-16 units
    const EditCase cases[] = {
        {"typing appends at the caret", {u"4", 1, 1}, {Insert{u"2"}}, {u"42", 2, 2}, true},
        {"Ctrl+A, then typing replaces all", {u"4", 1, 1}, {SelectAll{}, Insert{u"2"}}, {u"2", 1, 1}, true},
        {"Home, then typing goes first", {u"45", 2, 2}, {Key{EditKey::Home}, Insert{u"1"}}, {u"145", 1, 1}, true},
        {"End", {u"45", 0, 0}, {Key{EditKey::End}}, {u"45", 2, 2}, false},
        {"Left and Right stop at the ends", {u"ab", 0, 0}, {Key{EditKey::Left}}, {u"ab", 0, 0}, false},
        {"Right", {u"ab", 0, 0}, {Key{EditKey::Right}, Key{EditKey::Right}, Key{EditKey::Right}}, {u"ab", 2, 2},
         false},
        {"Delete takes the character after the caret", {u"abc", 1, 1}, {Key{EditKey::Delete}}, {u"ac", 1, 1}, true},
        {"Delete at the end", {u"abc", 3, 3}, {Key{EditKey::Delete}}, {u"abc", 3, 3}, false},
        {"Backspace takes the one before", {u"abc", 1, 1}, {Key{EditKey::Backspace}}, {u"bc", 0, 0}, true},
        {"Backspace at the start", {u"abc", 0, 0}, {Key{EditKey::Backspace}}, {u"abc", 0, 0}, false},
        {"shift+Left selects", {u"abcd", 3, 3}, {Key{EditKey::Left, true}, Key{EditKey::Left, true}},
         {u"abcd", 1, 3}, false},
        {"shift+Home selects to the start", {u"abcd", 2, 2}, {Key{EditKey::Home, true}}, {u"abcd", 0, 2}, false},
        {"shift+End selects to the end", {u"abcd", 1, 1}, {Key{EditKey::End, true}}, {u"abcd", 4, 1}, false},
        {"Left ends a selection at its start", {u"abcd", 3, 1}, {Key{EditKey::Left}}, {u"abcd", 1, 1}, false},
        {"Right ends a selection at its end", {u"abcd", 1, 3}, {Key{EditKey::Right}}, {u"abcd", 3, 3}, false},
        {"Delete takes a selection", {u"abcd", 1, 3}, {Key{EditKey::Delete}}, {u"ad", 1, 1}, true},
        {"Backspace takes a selection", {u"abcd", 3, 1}, {Key{EditKey::Backspace}}, {u"ad", 1, 1}, true},
        {"typing replaces a selection", {u"abcd", 3, 1}, {Insert{u"x"}}, {u"axd", 2, 2}, true},
        {"a paste ends at its line break", {u"", 0, 0}, {Insert{u"12\r\n34"}}, {u"12", 2, 2}, true},
        {"control characters are never text", {u"4", 1, 1}, {Insert{u"\x01"}, Insert{u"\x16\x7F\t"}}, {u"4", 1, 1},
         false},
        {"control characters within a paste go", {u"", 0, 0}, {Insert{u"5\t5"}}, {u"55", 2, 2}, true},
        {"an empty paste keeps the selection", {u"ab", 0, 2}, {Insert{u""}}, {u"ab", 0, 2}, false},
        {"select all of nothing", {u"", 0, 0}, {SelectAll{}}, {u"", 0, 0}, false},
        {"the caret steps over a surrogate pair", {pair, 0, 0}, {Key{EditKey::Right}, Key{EditKey::Right}},
         {pair, 3, 3}, false},
        {"Backspace takes a whole pair", {pair, 3, 3}, {Key{EditKey::Backspace}}, {u"ab", 1, 1}, true},
        {"a caret beyond the text is brought back", {u"ab", 9, 9}, {Key{EditKey::Backspace}}, {u"a", 1, 1}, true},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.what);
        EditText edit = c.before;
        bool changed = false;
        for (const Action& action : c.actions)
            changed = lf_apply(edit, action);
        EXPECT_EQ(edit.text, c.after.text);
        EXPECT_EQ(edit.caret, c.after.caret);
        EXPECT_EQ(edit.anchor, c.after.anchor);
        EXPECT_EQ(changed, c.changed);
    }
}

TEST(EditText, AClickPutsTheCaretAtTheNearestPlace)
{
    const std::vector<int> tenEach{0, 10, 20, 30, 40};
    const EditText edit{u"1234", 0, 0};
    for (const auto& [x, at] : {std::pair{-5, 0u}, {4, 0u}, {6, 1u}, {24, 2u}, {39, 4u}, {400, 4u}})
        EXPECT_EQ(gf_editPositionAt(edit, x, tenEach), at) << x;
}

// The widths a click is placed by, measured in one pass, are those the box paints with.
TEST(EditText, PrefixWidthsInOnePassAreThoseOfEachPrefix)
{
    const std::u16string text = u"Kööpenhamina W.i \U0001F600x";
    const std::vector<int> pixels = gf_prefixPixels(text);
    ASSERT_EQ(pixels.size(), text.size() + 1);
    for (std::size_t at = 0; at <= text.size(); ++at) {
        if (at < text.size() && text[at] >= 0xDC00 && text[at] <= 0xDFFF)
            continue; // within the pair
        EXPECT_EQ(pixels[at], gf_textPixels(std::u16string_view(text).substr(0, at))) << at;
    }
}

// Typed or pasted text beyond the limit is cut off; a selection it replaces makes room.
TEST(EditText, InsertStopsAtTheLimit)
{
    const std::u16string full(kEditTextLimit, u'7'), almost(kEditTextLimit - 1, u'7');
    struct LimitCase {
        const char* what;
        EditText before;
        std::u16string insert;
        std::size_t length;
        bool changed;
    };
    const LimitCase cases[] = {
        {"a long paste is cut", {u"", 0, 0}, full + u"89", kEditTextLimit, true},
        {"a full box takes nothing", {full, 3, 3}, u"8", kEditTextLimit, false},
        {"a selection makes room", {full, 3, 1}, u"889", kEditTextLimit, true},
        {"half a pair is not taken", {almost, 0, 0}, u"\U0001F600", kEditTextLimit - 1, false},
        {"a text set longer keeps its length", {full + u"7", 0, 0}, u"8", kEditTextLimit + 1, false},
    };
    for (const LimitCase& c : cases) {
        EditText edit = c.before;
        EXPECT_EQ(gf_editInsert(edit, c.insert), c.changed) << c.what;
        EXPECT_EQ(edit.text.size(), c.length) << c.what;
        EXPECT_EQ(edit.text.find(u'9'), std::u16string::npos) << c.what;
    }
}

struct KeyCase {
    unsigned long keysym;
    bool shift;
    bool control;
    KeyInput::Kind kind;
    UINT message;
    WPARAM wParam;
    bool shiftFlag;
};

TEST(DisplayKeys, BecomeTheMessagesWindowsSends)
{
    using Kind = KeyInput::Kind;
    const KeyCase cases[] = {
        {XK_a, false, true, Kind::Message, WM_CHAR, 0x01, false}, // Ctrl+A: select all, never "a"
        {XK_A, true, true, Kind::Message, WM_CHAR, 0x01, false},
        {XK_c, false, true, Kind::Message, WM_CHAR, 0x03, false},
        {XK_v, false, true, Kind::Paste, 0, 0, false},
        {XK_Insert, true, false, Kind::Paste, 0, 0, false},
        {XK_Insert, false, false, Kind::None, 0, 0, false},
        {XK_2, false, true, Kind::None, 0, 0, false},
        {XK_2, false, false, Kind::Message, WM_CHAR, u'2', false},
        {XK_A, true, false, Kind::Message, WM_CHAR, u'A', false},
        {XK_KP_5, false, false, Kind::Message, WM_CHAR, u'5', false},
        {XK_adiaeresis, false, false, Kind::Message, WM_CHAR, 0xE4, false},
        {XK_Return, false, false, Kind::Message, WM_CHAR, VK_RETURN, false},
        {XK_BackSpace, false, false, Kind::Message, WM_CHAR, VK_BACK, false},
        {XK_Left, false, false, Kind::Message, WM_KEYDOWN, VK_LEFT, false},
        {XK_Left, true, false, Kind::Message, WM_KEYDOWN, VK_LEFT, true},
        {XK_KP_Right, true, false, Kind::Message, WM_KEYDOWN, VK_RIGHT, true},
        {XK_Home, false, false, Kind::Message, WM_KEYDOWN, VK_HOME, false},
        {XK_End, true, false, Kind::Message, WM_KEYDOWN, VK_END, true},
        {XK_Delete, false, false, Kind::Message, WM_KEYDOWN, VK_DELETE, false},
        {XK_Tab, false, false, Kind::None, 0, 0, false},
        {XK_F5, false, false, Kind::None, 0, 0, false},
        {XK_Shift_L, true, false, Kind::None, 0, 0, false},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.keysym << " shift " << c.shift << " ctrl " << c.control);
        const KeyInput input = gf_keyInput(c.keysym, c.shift, c.control);
        EXPECT_EQ(input.kind, c.kind);
        EXPECT_EQ(input.message, c.message);
        EXPECT_EQ(input.wParam, c.wParam);
        EXPECT_EQ((input.lParam & kShiftHeldFlag) != 0, c.shiftFlag);
    }
}

} // namespace
} // namespace zyn
