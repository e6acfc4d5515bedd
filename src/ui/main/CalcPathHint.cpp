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

QString ResultLabelToolTip(double price, const PriceResult& result, const CalcOptions& options,
                           double vatFactor) {
    if (result.refusal != nullptr)
        return {};
    return PlainTextToolTip(CalculationPathText(price, options, vatFactor));
}

} // namespace fapkalk
