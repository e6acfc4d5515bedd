// The key filter shared by the price fields (the price, the range's end and
// step, and the target price's amount), and what a paste or a drop may put into them.
//
// A key is judged by the text it would make: the field's text with the
// selection replaced, or with the character inserted at the caret. A comma
// becomes a point, a second point deletes instead (the selection, or the
// character left of the caret), and no digit goes in that would make a third
// decimal. Letters, blanks, signs, Backspace and Enter pass unchanged: a run
// refuses a text that is no price, naming the field.
//
// The main window's key handlers call FilterPriceKey with the field's text
// before and after the selection (or the caret) and the typed character,
// then suppress the key, let the field take it, carry out a backspace or
// insert the changed character; Enter navigates afterwards. The filter does
// not change letter case: showing letters as capitals in the price and the
// range's end is the fields' own setting.
#pragma once

#include "pricing/options/option_types.h"
#include "pricing/price_text.h"

#include <string>
#include <string_view>

namespace fapkalk {

// before, after: the field's text (UTF-8) before and after the selection, or
// before and after the caret when nothing is selected. key: the typed
// character, which may be changed (',' to '.', a second '.' to
// kBackspaceKey). Returns false when the key is to be suppressed.
bool FilterPriceKey(std::string_view before, std::string_view after, char32_t& key);

// What a paste or a drop between before and after (as above) may insert: the
// pasted text trimmed, its decimal comma a point ("12,50" goes in as
// "12.50"), when it is a price and the field's text with it still is one.
// Otherwise problem says why not, about the text named in judged (the pasted
// text, or the field's text it would make); nothing is inserted then.
struct PastedPrice {
    std::string insert;
    PriceTextProblem problem = PriceTextProblem::None;
    std::string judged;
};
PastedPrice PastePrice(std::string_view before, std::string_view after, std::string_view pasted);

} // namespace fapkalk
