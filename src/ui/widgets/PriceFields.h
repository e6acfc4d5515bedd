// What the price fields (the main window's three and the target price's
// amount) share beyond their key handlers: the key filter applied to the
// field's text around its selection, and the guard that lets a paste or a
// drop in only when it is a price.
#pragma once

#include <functional>
#include <string_view>

class QLineEdit;

namespace fapkalk {

// FilterPriceKey on the field's text before and after its selection (or its
// caret); sets key to 0 when the key is to be suppressed.
void FilterKeyIn(const QLineEdit* field, char32_t& key);

// From now on text reaches the field from the clipboard (Ctrl+V,
// Shift+Insert, the context menu, the middle mouse button) or by a drop only
// as PastePrice allows: a price, with its comma as a point, that leaves a
// price in the field. Anything else is refused: the field keeps its text,
// the system beeps, and a tip at the field says why, naming it by
// fieldName().
void GuardPricePaste(QLineEdit* field, std::function<std::string_view()> fieldName);

} // namespace fapkalk
