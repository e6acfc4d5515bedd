// The key filter shared by the three price fields (eFAPBASIS, eBis, Edit1): a
// comma becomes a point, a second point deletes instead, and no digit goes in
// while the text's value already has a non-zero digit from the second decimal
// place on. Letters, blanks, signs, Backspace and Enter pass unchanged.
//
// The main window's key handlers call FilterPriceKey with the field's text and
// the typed character, then suppress the key, let the field take it, carry out
// a backspace or insert the changed character; Enter navigates afterwards. The
// filter does not change letter case: showing letters as capitals in eFAPBASIS
// and eBis is the fields' own setting.
#pragma once

#include "pricing/options/option_types.h"

#include <string_view>

namespace fapkalk {

// text: the field's text before the key takes effect (UTF-8). key: the typed
// character, which may be changed (',' to '.', a second '.' to kBackspaceKey).
// Returns false when the key is to be suppressed.
//
// A text whose value lies beyond the range of a double (it cannot be read as a
// price at all) takes no further digits: more digits cannot make it a price.
bool FilterPriceKey(std::string_view text, char32_t& key);

// True when no digit may be typed into a field holding this text.
bool RefusesDigits(std::string_view text);

} // namespace fapkalk
