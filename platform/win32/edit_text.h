#pragma once
// Inside the window layer: what a single-line edit box does with keys, as the Windows edit control
// does. The text with its caret and selection (the units between anchor and caret), in UTF-16 units.
// Pure: the "EDIT" control keeps one per box and paints it.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zyn::window_layer {

struct EditText {
    std::u16string text;
    std::size_t caret = 0;
    std::size_t anchor = 0; // equal to caret: nothing selected
};

// The most UTF-16 units the user can put into a box: the Windows edit control's limit before EM_LIMITTEXT.
// A text set by the program (WM_SETTEXT) may be longer.
inline constexpr std::size_t kEditTextLimit = 32767;

enum class EditKey { Left, Right, Home, End, Delete, Backspace };

// Moves the caret (with shift: extends the selection) or deletes; true when the text changed.
bool gf_editKey(EditText& edit, EditKey key, bool shift);
// Typed or pasted text replaces the selection; a pasted text ends at its first line break and
// control characters are never inserted; what would take the text beyond kEditTextLimit is cut
// off. True when the text changed.
bool gf_editInsert(EditText& edit, std::u16string_view typed);
void gf_editSelectAll(EditText& edit);
// A new text (WM_SETTEXT): the caret goes to its start.
void gf_editSetText(EditText& edit, std::u16string text);
// The caret position nearest to x pixels from the text's start; prefixPixels[i] is the width of the
// text's first i units (one measurement of the whole text, so a click costs in step with its length).
std::size_t gf_editPositionAt(const EditText& edit, int x, const std::vector<int>& prefixPixels);
std::size_t gf_editSelectionStart(const EditText& edit);
std::size_t gf_editSelectionEnd(const EditText& edit);

} // namespace zyn::window_layer
