// The key filter shared by the three price fields (eFAPBASIS, eBis, Edit1): a
// comma becomes a point, a second point deletes instead, and no digit goes in
// while the text's value already has a non-zero digit from the second decimal
// place on. Letters, blanks, signs, Backspace and Enter pass unchanged.
//
// Wiring in TForm1 (an event filter on the three fields, or their keyPressEvent):
//
//   bool PriceKeyPress(QLineEdit* edit, QKeyEvent* event) {   // true: consumed
//       const QList<uint> typed = event->text().toUcs4();
//       if (typed.size() != 1)
//           return false;                       // not a character: the field handles it
//       char32_t key = typed.front();
//       const char32_t original = key;
//       if (!fapkalk::FilterPriceKey(edit->text().toStdString(), key))
//           return true;                        // suppressed
//       if (key == fapkalk::kBackspaceKey && original != fapkalk::kBackspaceKey) {
//           edit->backspace();                  // a second point deletes
//           return true;
//       }
//       if (key != original) {
//           edit->insert(QStringLiteral("."));  // the comma as a point
//           return true;
//       }
//       return false;                           // the field inserts the key as typed
//   }
//
// Enter (kEnterKey) always passes; the handler navigates after the filter. The
// filter does not change letter case: showing letters as capitals in eFAPBASIS
// and eBis is the field's own setting.
// LineEditState/TypePriceKey below model what the field then does with the key,
// the same way QLineEdit::backspace() and QLineEdit::insert() do.
#pragma once

#include "pricing/options/option_types.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace fapkalk {

// text: the field's text before the key takes effect (UTF-8). key: the typed
// character, which may be changed (',' to '.', a second '.' to kBackspaceKey).
// Returns false when the key is to be suppressed.
//
// A text whose value lies beyond the range of a double (it cannot be read as a
// price at all) takes no further digits: more digits cannot make it a price.
bool FilterPriceKey(std::string_view text, char32_t& key);
bool FilterPriceKey(std::u16string_view text, char32_t& key);

// True when no digit may be typed into a field holding this text.
bool RefusesDigits(std::string_view text);

// A single-line field as far as typing is concerned. Positions count UTF-16
// code units, like QLineEdit::cursorPosition() and QLineEdit::selectionStart().
struct LineEditState {
    std::u16string text;
    std::size_t caret = 0;
    std::size_t selectionStart = 0;
    std::size_t selectionLength = 0; // 0: nothing selected

    // Selects the whole text, the caret at its end.
    void SelectAll();
    // No selection, the caret at position.
    void PlaceCaret(std::size_t position);
};

// Backspace as the field carries it out: deletes the selected text or, without
// a selection, the character left of the caret (a surrogate pair as one).
void ApplyBackspace(LineEditState& field);

// The field's reaction to a key that passed the filter: Backspace deletes;
// another control character (Enter among them) leaves the text alone; any other
// character replaces the selection or goes in at the caret.
void ApplyKey(LineEditState& field, char32_t key);

// FilterPriceKey on the field's text, then ApplyKey when the key passes.
// Returns the filter's result.
bool TypePriceKey(LineEditState& field, char32_t key);

std::string ToUtf8(std::u16string_view text);
std::u16string ToUtf16(std::string_view text);

} // namespace fapkalk
