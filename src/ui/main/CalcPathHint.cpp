#include "ui/main/CalcPathHint.h"

namespace fapkalk {

QString CalculationPathText(double price, const CalcOptions& options, double vatFactor) {
    return QString::fromStdString(ExplainPrices(price, options, vatFactor));
}

QString PlainTextToolTip(const QString& text) {
    if (text.isEmpty())
        return {};
    QString body = text;
    while (body.endsWith(u'\n'))
        body.chop(1);
    // <pre> is rich text to Qt::mightBeRichText, keeps blanks and line breaks
    // and uses a fixed-width face, so the path's columns stay aligned.
    return QStringLiteral("<pre>") + body.toHtmlEscaped() + QStringLiteral("</pre>");
}

QString AccessiblePathText(const QString& path) {
    QString spoken = path;
    while (spoken.endsWith(u'\n'))
        spoken.chop(1);
    return spoken;
}

ResultLabelHints ResultLabelHintsFor(double price, const PriceResult& result,
                                     const CalcOptions& options, double vatFactor) {
    if (result.refusal != nullptr)
        return {};
    const QString path = CalculationPathText(price, options, vatFactor);
    return {PlainTextToolTip(path), AccessiblePathText(path)};
}

} // namespace fapkalk
