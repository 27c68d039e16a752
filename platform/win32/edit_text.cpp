#include "platform/win32/edit_text.h"

#include <algorithm>
#include <cstdlib>

namespace zyn::window_layer {

namespace {

bool lf_lowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// What of an insert fits beside the text that stays, never half a surrogate pair.
std::u16string_view lf_fitting(std::u16string_view kept, std::size_t staying)
{
    const std::size_t room = kEditTextLimit - std::min(staying, kEditTextLimit);
    if (kept.size() <= room)
        return kept;
    return kept.substr(0, room > 0 && lf_lowSurrogate(kept[room]) ? room - 1 : room);
}

// The caret never stops between the two halves of a surrogate pair.
std::size_t lf_previous(const std::u16string& text, std::size_t at)
{
    if (at == 0)
        return 0;
    --at;
    return at > 0 && lf_lowSurrogate(text[at]) ? at - 1 : at;
}

std::size_t lf_next(const std::u16string& text, std::size_t at)
{
    if (at >= text.size())
        return text.size();
    ++at;
    return at < text.size() && lf_lowSurrogate(text[at]) ? at + 1 : at;
}

void lf_moveTo(EditText& edit, std::size_t at, bool shift)
{
    edit.caret = at;
    if (!shift)
        edit.anchor = at;
}

bool lf_eraseSelection(EditText& edit)
{
    const std::size_t start = gf_editSelectionStart(edit), end = gf_editSelectionEnd(edit);
    if (start == end)
        return false;
    edit.text.erase(start, end - start);
    edit.caret = edit.anchor = start;
    return true;
}

// A key that moves: with a selection and no shift, Left and Right go to its edge, as on Windows.
std::size_t lf_target(const EditText& edit, EditKey key, bool shift)
{
    const bool selected = edit.caret != edit.anchor;
    switch (key) {
    case EditKey::Left:
        return selected && !shift ? gf_editSelectionStart(edit) : lf_previous(edit.text, edit.caret);
    case EditKey::Right:
        return selected && !shift ? gf_editSelectionEnd(edit) : lf_next(edit.text, edit.caret);
    case EditKey::Home: return 0;
    default: return edit.text.size();
    }
}

} // namespace

std::size_t gf_editSelectionStart(const EditText& edit) { return std::min(edit.caret, edit.anchor); }
std::size_t gf_editSelectionEnd(const EditText& edit) { return std::max(edit.caret, edit.anchor); }

bool gf_editKey(EditText& edit, EditKey key, bool shift)
{
    edit.caret = std::min(edit.caret, edit.text.size());
    edit.anchor = std::min(edit.anchor, edit.text.size());
    if (key == EditKey::Delete || key == EditKey::Backspace) {
        if (lf_eraseSelection(edit))
            return true;
        const std::size_t from = key == EditKey::Delete ? edit.caret : lf_previous(edit.text, edit.caret);
        const std::size_t to = key == EditKey::Delete ? lf_next(edit.text, edit.caret) : edit.caret;
        if (from == to)
            return false;
        edit.text.erase(from, to - from);
        edit.caret = edit.anchor = from;
        return true;
    }
    lf_moveTo(edit, lf_target(edit, key, shift), shift);
    return false;
}

bool gf_editInsert(EditText& edit, std::u16string_view typed)
{
    typed = typed.substr(0, typed.find_first_of(u"\r\n"));
    std::u16string kept;
    for (const char16_t c : typed)
        if (c >= 0x20 && c != 0x7F)
            kept.push_back(c);
    edit.caret = std::min(edit.caret, edit.text.size());
    edit.anchor = std::min(edit.anchor, edit.text.size());
    const std::u16string_view fitting =
        lf_fitting(kept, edit.text.size() - (gf_editSelectionEnd(edit) - gf_editSelectionStart(edit)));
    if (fitting.empty())
        return false;
    lf_eraseSelection(edit);
    edit.text.insert(edit.caret, fitting);
    edit.caret += fitting.size();
    edit.anchor = edit.caret;
    return true;
}

void gf_editSelectAll(EditText& edit)
{
    edit.anchor = 0;
    edit.caret = edit.text.size();
}

void gf_editSetText(EditText& edit, std::u16string text)
{
    edit.text = std::move(text);
    edit.caret = edit.anchor = 0;
}

std::size_t gf_editPositionAt(const EditText& edit, int x, const std::vector<int>& prefixPixels)
{
    std::size_t best = 0;
    int bestDistance = std::abs(x);
    for (std::size_t at = 0; at < edit.text.size();) {
        at = lf_next(edit.text, at);
        if (at >= prefixPixels.size())
            break;
        const int distance = std::abs(prefixPixels[at] - x);
        if (distance < bestDistance) {
            best = at;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace zyn::window_layer
