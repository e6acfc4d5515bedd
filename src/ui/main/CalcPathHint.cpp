#include "ui/main/CalcPathHint.h"

#include <QRegularExpression>

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
    // A decimal number not part of a longer one (nor of an exponent form).
    static const QRegularExpression number(QStringLiteral(R"((?<![\d.])\d+\.\d+(?![\d.eE]))"));
    QString spoken;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& match : number.globalMatch(path)) {
        spoken += path.mid(done, match.capturedStart() - done);
        QString amount = QString::number(match.captured().toDouble(), 'g', 15);
        if (!amount.contains(u'e')) {
            if (!amount.contains(u'.'))
                amount += u'.';
            while (amount.size() - amount.indexOf(u'.') - 1 < 2)
                amount += u'0';
        }
        spoken += amount;
        done = match.capturedEnd();
    }
    spoken += path.mid(done);
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
