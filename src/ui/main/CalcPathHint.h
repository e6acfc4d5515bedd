// The calculation path behind the single-mode prices, shown as the tool tip of
// the AEP, KP and AVP result labels. The text is the engine's own explanation
// (the command-line tool's --explain prints the same), so the window can never
// explain a price differently from how it computed it.
#pragma once

#include "pricing/engine.h"

#include <QString>

namespace fapkalk {

// The engine's explanation of one price, unchanged ('\n' between lines),
// followed by the pharmacy's margins (ExplainMargins, pricing/margins.h).
QString CalculationPathText(double price, const CalcOptions& options, double vatFactor);

// A plain text as a tool tip: Qt would take a text that merely looks like
// markup ("<", "&") for rich text, so the text is escaped and set in a
// fixed-width block that keeps its line breaks and blanks. Empty stays empty
// (an empty tool tip shows nothing).
QString PlainTextToolTip(const QString& text);

// The path for assistive technology, which reads a description as it is (tags
// included): plain text. The path already names amounts as the window shows
// them, so it is read as written.
QString AccessiblePathText(const QString& path);

// What the result labels say about the single run on screen: the path and the
// pharmacy's margins (pricing/margins.h) as tool tip and as accessible
// description; both empty when the engine refused the price (its labels show
// no result to explain).
struct ResultLabelHints {
    QString toolTip;
    QString description;
};
ResultLabelHints ResultLabelHintsFor(double price, const PriceResult& result,
                                     const CalcOptions& options, double vatFactor);

} // namespace fapkalk
